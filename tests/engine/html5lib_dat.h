#pragma once

#include <filesystem>
#include <map>
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
