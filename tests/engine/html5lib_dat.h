#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

// One case of an html5lib-tests .dat file: its sections by header ("#data",
// "#errors", "#document", "#encoding", ...), each without its final newline.
struct Html5libCase {
  std::string file;  // the file's name, for messages
  int index = 0;     // the case's place in its file, from 0
  std::map<std::string, std::string> sections;

  bool Has(const std::string& header) const { return sections.count(header) != 0; }
  const std::string& Data() const { return sections.at("#data"); }
};

// Every case of every .dat file in `folder`, files in name order.
std::vector<Html5libCase> ReadHtml5libCases(const std::filesystem::path& folder);

// Why `folder` holds no html5lib data, or nothing when it does. The data lives
// outside the repository (CMake's SCRIVANE_TESTDATA_DIR names its folder), so
// a lone clone has none.
std::optional<std::string> MissingHtml5libData(const std::filesystem::path& folder);

// Whether missing data fails a test instead of skipping it: CI, which has the
// data, sets SCRIVANE_REQUIRE_TESTDATA=1 so that a lost folder cannot pass
// unnoticed as skipped tests.
bool Html5libDataRequired();

// Skips the running test when `folder` holds no data, or fails it where the
// data is required. A statement of the test body: both leave the test.
#define SKIP_WITHOUT_HTML5LIB_DATA(folder)                                              \
  if (const std::optional<std::string> missing = MissingHtml5libData(folder)) {         \
    if (Html5libDataRequired()) FAIL() << *missing << " (SCRIVANE_REQUIRE_TESTDATA=1)"; \
    GTEST_SKIP() << *missing;                                                           \
  }
