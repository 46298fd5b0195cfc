#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "options/sheet/dialog_services.h"

// Desktop services for tests: records every message and opened path, and
// answers each question from what the test queued (OK, no file, rejected
// dialog when nothing is queued).
class RecordingServices : public DialogServices {
 public:
  struct Message {
    std::string text;
    MessageStyle style;
    std::string details{};
  };

  std::vector<Message> messages;
  std::vector<std::string> shellFailures;
  std::vector<std::string> openedPaths;
  std::vector<std::string> fileFilters;
  std::vector<SaveFileQuestion> saveQuestions;
  std::deque<MessageAnswer> answers;
  std::deque<std::optional<std::string>> chosenFiles;
  std::function<int(QDialog&)> dialogHandler;
  bool openSucceeds = true;
  std::uint64_t clockMilliseconds = 47;  // archives come out the same every run

  MessageAnswer ShowMessage(const std::string& text, MessageStyle style) override {
    messages.push_back({text, style});
    return Next(answers, MessageAnswer::kOk);
  }
  MessageAnswer ShowDetailedMessage(const std::string& text, MessageStyle style, const std::string& details) override {
    const MessageAnswer answer = ShowMessage(text, style);
    messages.back().details = details;
    return answer;
  }
  void ShowShellFailure(const std::string& text) override { shellFailures.push_back(text); }
  bool OpenPath(const std::string& path) override {
    openedPaths.push_back(path);
    return openSucceeds;
  }
  std::optional<std::string> ChooseOpenFile(const std::string& filter) override {
    fileFilters.push_back(filter);
    return Next(chosenFiles, std::optional<std::string>{});
  }
  // Answered from the same queue as ChooseOpenFile.
  std::optional<std::string> ChooseSaveFile(const SaveFileQuestion& question) override {
    saveQuestions.push_back(question);
    return Next(chosenFiles, std::optional<std::string>{});
  }
  int Exec(QDialog& dialog) override { return dialogHandler ? dialogHandler(dialog) : 0; }
  std::uint64_t ClockMilliseconds() override { return clockMilliseconds; }

 private:
  template <typename T>
  static T Next(std::deque<T>& queue, T fallback) {
    if (queue.empty()) return fallback;
    T value = queue.front();
    queue.pop_front();
    return value;
  }
};
