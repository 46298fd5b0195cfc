#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "base/process_clock.h"

// A message box's look: one set of buttons and at most one icon, joined
// with |. The values are the style bits the dialogs have always passed.
enum class MessageStyle : unsigned {
  kOk = 0,
  kYesNo = 4,
  kIconError = 16,
  kIconQuestion = 32,
  kIconExclamation = 48,
  kIconInformation = 64,
};

constexpr MessageStyle operator|(MessageStyle buttons, MessageStyle icon) {
  return static_cast<MessageStyle>(static_cast<unsigned>(buttons) | static_cast<unsigned>(icon));
}
// The buttons of a style (kOk or kYesNo) and its icon (kOk when it has none).
constexpr MessageStyle ButtonsOf(MessageStyle style) {
  return static_cast<MessageStyle>(static_cast<unsigned>(style) & 0x0Fu);
}
constexpr MessageStyle IconOf(MessageStyle style) {
  return static_cast<MessageStyle>(static_cast<unsigned>(style) & 0xF0u);
}

// The button that closed a message box.
enum class MessageAnswer { kOk = 1, kCancel = 2, kYes = 6, kNo = 7 };

// What the dialogs ask of the desktop: message boxes, the shell's "open",
// the file-open dialog and the clock. Each front end provides one; tests
// provide one that records every question and answers it.
class UiServices {
 public:
  virtual ~UiServices() = default;

  // A box with no owner window, captioned with the program's title; returns
  // the button that closed it.
  virtual MessageAnswer ShowMessage(const std::string& text, MessageStyle style) = 0;
  // The same box with `details` (lines of paths and reasons) the user can
  // open; where there is no such box, they follow the text.
  virtual MessageAnswer ShowDetailedMessage(const std::string& text, MessageStyle style, const std::string& details) {
    return ShowMessage(details.empty() ? text : text + "\n\n" + details, style);
  }
  // The framework's warning box (owned by the active window, captioned with
  // the executable's name), used when the shell cannot open something.
  virtual void ShowShellFailure(const std::string& text) = 0;
  // Opens a file in the program the desktop associates with it.
  virtual bool OpenPath(const std::string& path) = 0;
  // The file-open dialog. `filter` is "Description|patterns|...||"; nothing
  // when the user cancels.
  virtual std::optional<std::string> ChooseOpenFile(const std::string& filter) = 0;
  // The clock an archive's boundary is made from. Both front ends read it
  // through here, so a test that fixes it gets the same bytes from each.
  virtual std::uint64_t ClockMilliseconds() { return MillisecondsSinceStart(); }
};
