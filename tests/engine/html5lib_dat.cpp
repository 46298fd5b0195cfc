#include "html5lib_dat.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace {

constexpr std::array<const char*, 8> kHeaders{"#data",       "#errors",    "#new-errors", "#document-fragment",
                                              "#script-off", "#script-on", "#document",   "#encoding"};

bool IsHeader(const std::string& line) { return std::find(kHeaders.begin(), kHeaders.end(), line) != kHeaders.end(); }

std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path.string());
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

// Cases are separated by an empty line, which ends up in the case's last
// section; every section then loses its own final newline.
void Finish(Html5libCase& testCase, std::string* lastSection) {
  if (lastSection != nullptr && lastSection->size() >= 2 && lastSection->ends_with("\n\n")) lastSection->pop_back();
  for (auto& [header, text] : testCase.sections) {
    if (!text.empty() && text.back() == '\n') text.pop_back();
  }
}

std::vector<Html5libCase> CasesOf(const std::filesystem::path& path) {
  std::vector<Html5libCase> cases;
  std::istringstream lines(ReadFile(path));
  std::string* section = nullptr;
  for (std::string line; std::getline(lines, line);) {
    if (line == "#data") {
      if (!cases.empty()) Finish(cases.back(), section);
      cases.push_back({path.filename().string(), static_cast<int>(cases.size()), {}});
    }
    if (cases.empty()) continue;
    if (IsHeader(line)) {
      section = &cases.back().sections[line];
    } else {
      *section += line + '\n';
    }
  }
  if (!cases.empty()) Finish(cases.back(), section);
  return cases;
}

}  // namespace

std::vector<Html5libCase> ReadHtml5libCases(const std::filesystem::path& folder) {
  std::vector<std::filesystem::path> files;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    if (entry.path().extension() == ".dat") files.push_back(entry.path());
  }
  std::sort(files.begin(), files.end());
  std::vector<Html5libCase> cases;
  for (const auto& file : files) {
    std::vector<Html5libCase> more = CasesOf(file);
    cases.insert(cases.end(), more.begin(), more.end());
  }
  return cases;
}

std::optional<std::string> MissingHtml5libData(const std::filesystem::path& folder) {
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
    if (entry.path().extension() == ".dat") return std::nullopt;
  }
  return "no html5lib data (.dat files) in " + folder.string() +
         "; it is kept beside the repository, in ../shared/testdata, or wherever "
         "-DSCRIVANE_TESTDATA_DIR=FOLDER points";
}

bool Html5libDataRequired() {
  const char* required = std::getenv("SCRIVANE_REQUIRE_TESTDATA");
  return required != nullptr && std::string_view(required) == "1";
}
