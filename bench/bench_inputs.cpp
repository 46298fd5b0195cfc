#include "bench_inputs.h"

#include <array>
#include <functional>
#include <map>
#include <random>
#include <string_view>

namespace {

constexpr std::array<std::string_view, 24> kWords{"archive",  "page",    "image",  "style",   "script",  "part",
                                                  "boundary", "encode",  "folder", "local",   "file",    "browser",
                                                  "markup",   "element", "table",  "order",   "line",    "text",
                                                  "binary",   "header",  "value",  "content", "message", "resource"};

class Generator {
 public:
  explicit Generator(std::uint64_t seed) : m_random(seed) {}

  std::size_t Below(std::size_t bound) { return std::uniform_int_distribution<std::size_t>(0, bound - 1)(m_random); }
  bool OneIn(std::size_t n) { return Below(n) == 0; }
  std::string Word() { return std::string(kWords[Below(kWords.size())]); }

  std::string Sentence(std::size_t words) {
    std::string sentence;
    for (std::size_t i = 0; i < words; ++i) {
      if (i != 0) sentence += ' ';
      sentence += Word();
    }
    return sentence;
  }

  std::mt19937_64& Engine() { return m_random; }

 private:
  std::mt19937_64 m_random;
};

// `text`, followed by what `appendSome` adds until it holds `size` bytes, cut there.
std::string Filled(std::string text, std::size_t size, const std::function<void(std::string&)>& appendSome) {
  text.reserve(size + 4096);
  while (text.size() < size) appendSome(text);
  text.resize(size);
  return text;
}

const std::string& Cached(std::map<std::size_t, std::string>& cache, std::size_t size,
                          const std::function<std::string(std::size_t)>& make) {
  auto found = cache.find(size);
  if (found == cache.end()) found = cache.emplace(size, make(size)).first;
  return found->second;
}

std::string MakeText(std::size_t size) {
  Generator generator(1);
  return Filled({}, size, [&](std::string& text) {
    if (generator.OneIn(40)) text += '.';
    text += generator.Sentence(6 + generator.Below(10));
    if (generator.OneIn(8)) text += " width=100%";
    if (generator.OneIn(20)) text += " caf\xC3\xA9";
    if (generator.OneIn(30)) text += ' ';
    text += '\n';
  });
}

std::string MakeBinary(std::size_t size) {
  Generator generator(2);
  std::string bytes(size, '\0');
  for (char& byte : bytes) byte = static_cast<char>(generator.Engine()() >> 56);
  return bytes;
}

std::string MakePage(std::size_t size) {
  Generator generator(3);
  const std::string head =
      "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n<title>Benchmark</title>\n"
      "<link rel=\"stylesheet\" href=\"css/site.css\">\n<script src=\"js/menu.js\"></script>\n</head>\n<body>\n";
  const std::string tail = "</body>\n</html>\n";
  std::size_t card = 0;
  const std::string page = Filled(head, size - tail.size(), [&](std::string& text) {
    const std::string n = std::to_string(card++);
    text += "<div class=\"card\" id=\"c" + n + "\">\n<h2>Item " + n + " &amp; " + generator.Sentence(3) + "</h2>\n<p>" +
            generator.Sentence(40 + generator.Below(60)) + "</p>\n<img src=\"images/p" + std::to_string(card % 200) +
            ".jpg\" alt=\"" + generator.Sentence(2) + "\" width=\"320\" height=\"200\">\n<a href=\"pages/" + n +
            ".html\">" + generator.Sentence(2) + "</a>\n<table><tr><td>" + generator.Word() + "</td><td>" +
            generator.Word() + "</td></tr></table>\n</div>\n";
  });
  return page + tail;
}

std::string MakeScript(std::size_t size) {
  Generator generator(4);
  std::size_t line = 0;
  return Filled({}, size, [&](std::string& text) {
    const std::string n = std::to_string(line++);
    if (line % 20 == 0) {
      text += "rollover" + n + ".src = \"images/r" + std::to_string(line % 500) + ".gif\";\n";
    } else {
      text +=
          "function step" + n + "(a, b) { return a === b ? \"" + generator.Sentence(4) + "\" : a + b * " + n + "; }\n";
    }
  });
}

}  // namespace

const std::string& TextInput(std::size_t size) {
  static std::map<std::size_t, std::string> cache;
  return Cached(cache, size, MakeText);
}

const std::string& BinaryInput(std::size_t size) {
  static std::map<std::size_t, std::string> cache;
  return Cached(cache, size, MakeBinary);
}

const std::string& PageInput(std::size_t size) {
  static std::map<std::size_t, std::string> cache;
  return Cached(cache, size, MakePage);
}

const std::string& ScriptInput(std::size_t size) {
  static std::map<std::size_t, std::string> cache;
  return Cached(cache, size, MakeScript);
}
