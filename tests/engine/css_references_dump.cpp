// Prints the references FindCssReferences finds in each stylesheet file named
// on the command line: one line per file, each reference as its kind and its
// URL in hexadecimal, so any byte survives the trip to the checking script.
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include "engine/css_references.h"

int main(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    std::ifstream file(argv[i], std::ios::binary);
    if (!file) {
      std::fprintf(stderr, "cannot open %s\n", argv[i]);
      return 1;
    }
    std::ostringstream text;
    text << file.rdbuf();
    std::string line;
    for (const CssReference& reference : FindCssReferences(text.str())) {
      line += reference.kind == CssReferenceKind::Import ? " import:" : " other:";
      for (const char c : reference.url) {
        char hex[3];
        std::snprintf(hex, sizeof hex, "%02x", static_cast<unsigned char>(c));
        line += hex;
      }
    }
    std::printf("%s\n", line.c_str());
  }
  return 0;
}
