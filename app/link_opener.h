#pragma once

#include <optional>
#include <string>
#include <string_view>

// Result codes of opening a link, in the shell's numbering: a code above
// kLastFailureCode means the link was opened.
namespace LinkResult {
enum : int {
  kFileNotFound = 2,
  kOutOfMemory = 8,
  kBadAssociation = 27,
  kNoAssociation = 31,
  kLastFailureCode = 32,
  kOpened = 33,
};
}

// The desktop's handler entry and the command line built from it live in
// fixed-size buffers (terminator included); longer texts are refused, never
// cut.
inline constexpr std::size_t kHandlerValueCapacity = 260;
inline constexpr std::size_t kLinkCommandCapacity = 520;

// Every open below finds the desktop's default handler of a MIME type (the
// desktop entry that `xdg-mime query default` names), cuts its Exec command at
// the file or URL field code and starts it detached with the target as its
// last argument. A target counts as opened only when that program started:
// no handler, or one that cannot start, is a failure the caller reports.

// Opens `link` in the user's web browser: the handler of the link's scheme
// first, then the default text/html handler. Returns a LinkResult code or
// another failure code of the shell's numbering.
int OpenLink(const std::string& link);

// The fallback of OpenLink: the desktop's default text/html handler, started
// detached with the link as its last argument.
int OpenWithHtmlHandler(const std::string& link);

// Opens the file at `path` with the handler of its type; a type that has none
// goes to the web browser (the default text/html handler), which reads pages
// and web archives alike.
int OpenFile(const std::string& path);

// The default handler of `mimeType`, started detached with `target`.
int OpenWithDefaultHandler(const std::string& mimeType, const std::string& target);

// The user-facing explanation of a failed open's result code.
std::string OpenResultMessage(int result);

// The Exec value of the [Desktop Entry] group of a desktop entry file's text.
std::optional<std::string> DesktopEntryExec(std::string_view entryText);

// The command line that opens `link` with a handler whose command is
// `handlerCommand`: the command up to its file or URL field code, one blank,
// then the link. Nothing when the command or the result would not fit its
// buffer.
std::optional<std::string> AssembleLinkCommand(std::string_view handlerCommand, std::string_view link);
