#include "app/window_arguments.h"

#include <filesystem>
#include <system_error>

#include "base/version.h"

namespace {

constexpr std::size_t kMaxPaths = 2;

// The fields show where the files really are, whatever folder the program
// was started in.
std::string AbsolutePath(const std::string& path) {
  std::error_code error;
  const std::filesystem::path absolute = std::filesystem::absolute(path, error);
  return error ? path : absolute.lexically_normal().string();
}

WindowArgumentsParse Failure(std::string error) { return {std::nullopt, std::move(error)}; }

}  // namespace

WindowArgumentsParse ParseWindowArguments(const std::vector<std::string>& arguments) {
  WindowArguments result;
  std::vector<std::string> paths;
  bool optionsEnded = false;
  for (const std::string& argument : arguments) {
    if (!optionsEnded && argument == "--") {
      optionsEnded = true;
    } else if (!optionsEnded && (argument == "--help" || argument == "-h")) {
      result.help = true;
      return {result, {}};
    } else if (!optionsEnded && (argument == "--version" || argument == "-V")) {
      result.version = true;
      return {result, {}};
    } else if (!optionsEnded && argument.size() > 1 && argument.starts_with('-')) {
      return Failure("unknown option " + argument);
    } else {
      paths.push_back(argument);
    }
  }
  if (paths.size() > kMaxPaths) return Failure("expected at most PAGE and ARCHIVE");
  if (!paths.empty()) result.inputPath = AbsolutePath(paths[0]);
  if (paths.size() > 1) result.outputPath = AbsolutePath(paths[1]);
  return {result, {}};
}

std::string WindowUsageLine() { return "usage: scrivane-converter [PAGE [ARCHIVE]]"; }

std::string WindowHelpText() {
  return WindowUsageLine() +
         "\n\n"
         "Opens the window that turns an HTML page and every local file it needs into one web archive (.mht).\n"
         "PAGE fills the input field and ARCHIVE the output field; without ARCHIVE the output is PAGE's\n"
         "name with .mht. The options are set in the window and last until it closes.\n\n"
         "  -h, --help       show this text\n"
         "  -V, --version    show the version\n"
         "\nBoth answer without a display; anything else needs one.\n";
}

std::string WindowVersionText() { return "scrivane-converter " SCRIVANE_VERSION "\n"; }
