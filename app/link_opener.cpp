#include "app/link_opener.h"

#include <QFile>
#include <QFileInfo>
#include <QMimeDatabase>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>

#include <algorithm>
#include <array>
#include <cstdio>
#include <variant>

namespace {

struct ResultText {
  int result;
  const char* message;
};

constexpr std::array<ResultText, 13> kResultTexts{{
    {0, "The operating system is out\nof memory or resources."},
    {2, "The specified file was not found."},
    {3, "The specified path was not found."},
    {5, "The operating system denied\naccess to the specified file."},
    {8, "There was not enough memory to complete the operation."},
    {11, "The .EXE file is invalid\n(non-Win32 .EXE or error in .EXE image)."},
    {26, "A sharing violation occurred. "},
    {27, "The filename association is\nincomplete or invalid."},
    {28, "The DDE transaction could not\nbe completed because the request timed out."},
    {29, "The DDE transaction failed."},
    {30, "The DDE transaction could not\nbe completed because other DDE transactions\nwere being processed."},
    {31, "There is no application associated\nwith the given filename extension."},
    {32, "The specified dynamic-link library was not found."},
}};

// The desktop entry field codes that stand for the file or URL to open.
constexpr std::array<std::string_view, 4> kFieldCodes{"%u", "%U", "%f", "%F"};

constexpr int kHandlerQueryTimeoutMs = 5000;
// A desktop entry is a few kilobytes; a bigger file is not one.
constexpr qint64 kMaxDesktopEntrySize = 1 << 20;

std::size_t FirstFieldCode(std::string_view command, bool quoted) {
  std::size_t first = std::string_view::npos;
  for (const std::string_view code : kFieldCodes) {
    const std::string pattern = quoted ? "\"" + std::string(code) + "\"" : std::string(code);
    first = std::min(first, command.find(pattern));
  }
  return first;
}

// A quoted field code is cut together with its quotes, so the appended link
// is not left inside an open quote.
std::string_view CutAtFieldCode(std::string_view command) {
  std::size_t cut = FirstFieldCode(command, true);
  if (cut == std::string_view::npos) cut = FirstFieldCode(command, false);
  return command.substr(0, cut);
}

std::string_view Trim(std::string_view text) {
  const auto first = text.find_first_not_of(" \t\r");
  if (first == std::string_view::npos) return {};
  const auto last = text.find_last_not_of(" \t\r");
  return text.substr(first, last - first + 1);
}

std::optional<std::string> DefaultHandlerName(const std::string& mimeType) {
  QProcess query;
  query.start(QStringLiteral("xdg-mime"),
              {QStringLiteral("query"), QStringLiteral("default"), QString::fromStdString(mimeType)});
  if (!query.waitForFinished(kHandlerQueryTimeoutMs) || query.exitStatus() != QProcess::NormalExit ||
      query.exitCode() != 0) {
    return std::nullopt;
  }
  const QByteArray firstLine = query.readAllStandardOutput().split('\n').constFirst();
  const std::string_view name =
      Trim(std::string_view(firstLine.constData(), static_cast<std::size_t>(firstLine.size())));
  if (name.empty()) return std::nullopt;
  return std::string(name);
}

std::optional<std::string> ReadHandlerExec(const std::string& desktopFileName) {
  const QString path =
      QStandardPaths::locate(QStandardPaths::ApplicationsLocation, QString::fromStdString(desktopFileName));
  QFile entry(path);
  if (path.isEmpty() || !entry.open(QIODevice::ReadOnly)) return std::nullopt;
  const QByteArray text = entry.read(kMaxDesktopEntrySize);
  return DesktopEntryExec(std::string_view(text.constData(), static_cast<std::size_t>(text.size())));
}

// The link goes to the handler as one argument, whatever blanks or quotes it
// holds; only the handler's own part of `command` is split into words.
int StartDetached(std::string_view command, std::string_view link) {
  const std::string_view handlerPart = command.substr(0, command.size() - link.size());
  QStringList arguments =
      QProcess::splitCommand(QString::fromUtf8(handlerPart.data(), static_cast<qsizetype>(handlerPart.size())));
  if (arguments.isEmpty()) return LinkResult::kBadAssociation;
  const QString program = arguments.takeFirst();
  arguments.append(QString::fromUtf8(link.data(), static_cast<qsizetype>(link.size())));
  return QProcess::startDetached(program, arguments) ? LinkResult::kOpened : LinkResult::kFileNotFound;
}

// The Exec command of the default handler of `mimeType`, or the failure code
// that says why there is none.
std::variant<int, std::string> DefaultHandlerExec(const std::string& mimeType) {
  const std::optional<std::string> name = DefaultHandlerName(mimeType);
  if (!name || name->find('/') != std::string::npos) return int{LinkResult::kNoAssociation};
  if (name->size() >= kHandlerValueCapacity) return int{LinkResult::kOutOfMemory};
  std::optional<std::string> exec = ReadHandlerExec(*name);
  if (!exec) return int{LinkResult::kNoAssociation};
  return std::move(*exec);
}

}  // namespace

int OpenLink(const std::string& link) {
  const QString scheme = QUrl(QString::fromStdString(link)).scheme();
  const int result = scheme.isEmpty() ? int{LinkResult::kNoAssociation}
                                      : OpenWithDefaultHandler("x-scheme-handler/" + scheme.toStdString(), link);
  if (result > LinkResult::kLastFailureCode) return result;
  // As with a missing fallback key, the first failure is the one reported.
  const int fallback = OpenWithHtmlHandler(link);
  return fallback == LinkResult::kNoAssociation ? result : fallback;
}

int OpenWithHtmlHandler(const std::string& link) {
  const std::variant<int, std::string> exec = DefaultHandlerExec("text/html");
  if (const int* failure = std::get_if<int>(&exec)) return *failure;
  const std::optional<std::string> command = AssembleLinkCommand(std::get<std::string>(exec), link);
  if (!command) return LinkResult::kOutOfMemory;
  return StartDetached(*command, link);
}

int OpenFile(const std::string& path) {
  const QFileInfo file(QString::fromStdString(path));
  if (!file.exists()) return LinkResult::kFileNotFound;
  const std::string target = file.absoluteFilePath().toStdString();
  const std::string type = QMimeDatabase().mimeTypeForFile(file).name().toStdString();
  const int result = OpenWithDefaultHandler(type, target);
  if (result != LinkResult::kNoAssociation || type == "text/html") return result;
  return OpenWithDefaultHandler("text/html", target);
}

int OpenWithDefaultHandler(const std::string& mimeType, const std::string& target) {
  const std::variant<int, std::string> exec = DefaultHandlerExec(mimeType);
  if (const int* failure = std::get_if<int>(&exec)) return *failure;
  std::string command(CutAtFieldCode(std::get<std::string>(exec)));
  command += ' ';
  command += target;
  return StartDetached(command, target);
}

std::string OpenResultMessage(int result) {
  const auto known = std::find_if(kResultTexts.begin(), kResultTexts.end(),
                                  [result](const ResultText& entry) { return entry.result == result; });
  if (known != kResultTexts.end()) return known->message;
  char text[64];
  std::snprintf(text, sizeof text, "Unknown Error (%d) occurred.", result);
  return text;
}

std::optional<std::string> DesktopEntryExec(std::string_view entryText) {
  bool inEntryGroup = false;
  while (!entryText.empty()) {
    const std::size_t end = std::min(entryText.find('\n'), entryText.size());
    const std::string_view line = Trim(entryText.substr(0, end));
    entryText.remove_prefix(std::min(end + 1, entryText.size()));
    if (line.starts_with('[')) {
      inEntryGroup = line == "[Desktop Entry]";
      continue;
    }
    const std::size_t equals = line.find('=');
    if (!inEntryGroup || line.starts_with('#') || equals == std::string_view::npos) continue;
    if (Trim(line.substr(0, equals)) == "Exec") return std::string(Trim(line.substr(equals + 1)));
  }
  return std::nullopt;
}

std::optional<std::string> AssembleLinkCommand(std::string_view handlerCommand, std::string_view link) {
  if (handlerCommand.size() >= kHandlerValueCapacity) return std::nullopt;
  const std::string_view handlerPart = CutAtFieldCode(handlerCommand);
  if (handlerPart.size() + 1 + link.size() >= kLinkCommandCapacity) return std::nullopt;
  std::string command(handlerPart);
  command += ' ';
  command += link;
  return command;
}
