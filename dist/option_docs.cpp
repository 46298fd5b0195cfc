// Writes the man page's option list and the bash completion from the command
// line's option table, into templates that hold the rest: run at build time,
// so that what is installed lists exactly the options the program takes.
//   option_docs man|completion TEMPLATE OUTPUT
// Each line or word of TEMPLATE written %NAME% is replaced by what it names.

#include <algorithm>
#include <cctype>
#include <fstream>
#include <iostream>
#include <map>
#include <set>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "cli/option_table.h"

namespace {

// Each option's text in the man page, in roff, keyed as --help names the
// option; {name} stands for a default.
const std::map<std::string, std::string> kManualTexts = {
    {"-o, --output ARCHIVE", R"(Write the archive to
.I ARCHIVE
instead of naming it after the page;
.B \-
is standard output.)"},
    {"--base DIR", R"(What a page read from standard input is relative to; the current folder when
not given.)"},
    {"--link cid|file", R"(How the page points at its parts; {link} by default.
With
.B cid
each part has a Content-ID and the page points at
.B cid:
URLs, as Chromium, Chrome and Edge need.
With
.B file
(the classic form) every part is labelled with its file URL, which those
browsers refuse inside an archive.)"},
    {"--complete", R"(Archive what stylesheets, media elements and frames need: what
stylesheets name with
.B url()
and
.BR @import ,
every
.B srcset
candidate, video, audio, object and embed sources, SVG images, and local pages
in frames, each rewritten to point at its part.
The default is
.BR {complete} .)"},
    {"--no-complete", R"(Take only images, scripts and the files of the listed tags.)"},
    {"--root DIR", R"(Archive only files under
.IR DIR .
References outside it are left as they are and their files stay out of the
archive, each with a warning in the log.
Use it, with the page's own folder, for pages from sources you do not trust:
without it every local file the converting user can read may be carried into
the archive.)"},
    {"--strict", R"(Fail (exit status 1) when any file is left out; an earlier archive stays as it
was.)"},
    {"--log FILE", R"(Append a log of the conversion to
.IR FILE .
A log that cannot be written is refused before anything is converted.)"},
    {"--log-level LEVEL", R"(How much to log:
.BR everything ,
.BR warnings ,
.B errors
or
.BR none .
The default is
.B {log-level}
when
.B \-\-log
is given, else
.BR none .)"},
    {"--tag TAG=ATTRIBUTE", R"(Also archive the file named by
.I ATTRIBUTE
of every
.I TAG
element.
Repeatable.)"},
    {"--mime EXT=TYPE", R"(Label files ending in
.BI . EXT
as
.IR TYPE .
Repeatable.)"},
    {"--script-ext EXT[=DESC]", R"(Scan files ending in
.BI . EXT
for preloaded images;
.I DESC
describes the kind of script.
Repeatable.)"},
    {"--no-default-tags", R"(Start from no tags (the defaults: {tags}).)"},
    {"--no-default-mime", R"(Start from no MIME types.)"},
    {"--no-default-script-ext", R"(Start from no script extensions (the defaults: {script-ext}).)"},
    {"--remote", R"(Also fetch the http and https files that the page, its stylesheets (with
.BR \-\-complete )
and its frames name, at most eight at once and each URL once, and archive
each as a part labelled with its URL and the type (and a text's charset) its
server sent; the page then points at those parts.
.I PAGE
may then be an http or https URL: the page is fetched, and nothing is read
from the local disk; nor does anything a fetched page or stylesheet names
come from it.
A file that cannot be fetched, or is over a limit, is left out and its
reference kept as written, with the warning
"Failed to fetch remote file: URL: why", and fails the conversion under
.BR \-\-strict .
Only http and https are spoken, also after redirects; certificates are
verified (against
.B SSL_CERT_FILE
when it is set); the proxy variables
.BR http_proxy ,
.BR https_proxy
and
.B no_proxy
are honoured.
Loopback, link-local, private, shared and unique-local addresses, IPv4 and
IPv6 (also an IPv4 address inside an IPv6 one), are refused: the address
checked is the one each connection is about to be made to, after the name is
resolved and again on every redirect, so that a hostile page cannot bring the
machine's own services, an intranet or a cloud's metadata service into an
archive.
Through a proxy, the address checked is the proxy's.)"},
    {"--remote-allow-private", R"(Connect to those addresses too (a page on this machine or an intranet).)"},
    {"--remote-max-file-size MB", R"(The largest file fetched, once decoded, in megabytes;
{remote-max-file-size} by default.)"},
    {"--remote-max-total-size MB", R"(The most fetched for one conversion, in megabytes;
{remote-max-total-size} by default.)"},
    {"--remote-connect-timeout S", R"(How many seconds a connection may take; {remote-connect-timeout} by default.)"},
    {"--remote-timeout S", R"(How many seconds a whole transfer, redirects included, may take;
{remote-timeout} by default.)"},
    {"--remote-max-redirects N", R"(How many redirects are followed; {remote-max-redirects} by default.)"},
    {"-q, --quiet", R"(Errors only: no warnings, no success lines and no progress bar.
Without it, a conversion that takes more than a second shows on standard
error, when that is a terminal, the bytes written out of the total, the rate
and the time left, and erases the bar when it ends.)"},
    {"--list ARCHIVE", R"(Print one line per part of the web archive
.IR ARCHIVE ,
the main part first: its type, transfer encoding, decoded size and location,
separated by tabs.
Archives that Chromium saves are read as well.)"},
    {"--verify ARCHIVE", R"(Check that every part decodes, that every
.B cid:
URL and every
.B file:
URL a page or stylesheet part embeds has its part, and that no two parts share
a location.
Prints one line per problem and exits with 1, or a line saying the archive is
whole.)"},
    {"--extract ARCHIVE -o FOLDER", R"(Write every part as a file under
.IR FOLDER ,
named from its location, and point the pages' and stylesheets' URLs at the
files, so that the main page opens from the folder.
Prints each file's name and its part's location.
Names never lead out of
.IR FOLDER ,
no symbolic link is followed or made, and no file is overwritten: a name
already taken gets a number.)"},
    {"-o, --output FOLDER", R"(Convert each
.I PAGE
into
.IR FOLDER / NAME .mht
(made when missing), every other option applying to each page.
A command line converts many pages when it names several, gives
.B \-o
an existing folder or one ending in
.BR / ,
or uses one of the options below.
A page that fails is named on standard error with its reason and the others
are converted; a line at the end counts them.)"},
    {"-r, --recursive", R"(A folder given as a
.I PAGE
stands for every
.BR .html ,
.B .htm
and
.B .xhtml
file under it, converted into the same place in the tree under
.IR FOLDER .
Links to folders are not followed.)"},
    {"-j, --jobs N", R"(Convert
.I N
pages at once (at most 16); by default one for each core.
A file that several pages name is read, scanned and encoded once for the run.)"},
    {"--report FILE", R"(Write one JSON object per line to
.I FILE
for each page as it ends:
.BR input ,
.BR output ,
.B status
.RB ( converted
or
.BR failed ,
then with a
.BR message ),
.BR parts ,
.BR files_left_out ,
.B bytes
and
.BR milliseconds .)"},
    {"--shard K/N", R"(Convert only the pages whose path, relative to what was given, hashes to shard
.I K
of
.I N
(from 1); the
.I N
shards together convert every page once, on as many machines as wanted.)"},
    {"-h, --help", R"(Show a summary of the options.)"},
    {"-V, --version", R"(Show the version.)"},
    {"--", R"(End of the options: what follows is
.I PAGE
and
.IR ARCHIVE ,
even when it starts with a dash.)"},
};

// `text` in roff: words in capitals in italics, options and lower-case
// values in bold, the rest as written.
std::string Roff(std::string_view text) {
  std::string roff;
  for (std::size_t i = 0; i < text.size();) {
    std::size_t end = i;
    const auto runOf = [&](auto belongs) {
      while (end < text.size() && belongs(static_cast<unsigned char>(text[end]))) ++end;
      return text.substr(i, end - i);
    };
    if (text[i] == '-') {
      std::string escaped;
      for (char c : runOf([](unsigned char c) { return c == '-' || std::isalpha(c); })) {
        escaped += c == '-' ? "\\-" : std::string(1, c);
      }
      roff += "\\fB" + escaped + "\\fR";
    } else if (std::isupper(static_cast<unsigned char>(text[i]))) {
      roff += "\\fI" + std::string(runOf([](unsigned char c) { return std::isupper(c) != 0; })) + "\\fR";
    } else if (std::islower(static_cast<unsigned char>(text[i]))) {
      roff += "\\fB" + std::string(runOf([](unsigned char c) { return std::islower(c) != 0; })) + "\\fR";
    } else {
      roff += text[i];
      end = i + 1;
    }
    i = end;
  }
  return roff;
}

std::string ManualOptions() {
  std::set<std::string> unused;
  for (const auto& [key, text] : kManualTexts) unused.insert(key);
  std::string roff;
  for (const OptionSpec& option : OptionTable()) {
    const std::string flags = OptionFlags(option);
    const auto text = kManualTexts.find(flags);
    if (text == kManualTexts.end()) throw std::runtime_error("the man page has no text for " + flags);
    unused.erase(flags);
    roff += ".TP\n" + Roff(flags) + "\n" + WithDefaults(text->second) + "\n";
  }
  if (!unused.empty()) throw std::runtime_error("the man page has a text for " + *unused.begin() + ", no option");
  roff.pop_back();
  return roff;
}

// Every name of the options in `rows` once, short before long, joined.
std::string Names(const std::vector<const OptionSpec*>& rows, const std::string& separator) {
  std::set<std::string_view> seen;
  std::string names;
  for (const OptionSpec* option : rows) {
    for (std::string_view name : {option->shortName, option->longName}) {
      if (name.empty() || !seen.insert(name).second) continue;
      names += (names.empty() ? "" : separator) + std::string(name);
    }
  }
  return names;
}

std::string LongName(OptionId id) {
  for (const OptionSpec& option : OptionTable()) {
    if (option.id == id) return std::string(option.longName);
  }
  throw std::logic_error("an option missing from the table");
}

// What bash does for the word after an option of `completion`.
std::string CompletionAction(Completion completion, const OptionSpec& option) {
  const std::string archives = "_filedir '@(mht|mhtml)'";
  switch (completion) {
    case Completion::File: return "_filedir";
    case Completion::Folder: return "_filedir -d";
    case Completion::Archive: return archives;
    case Completion::ArchiveOrFolder:
      return "if [[ \" ${words[*]} \" == *\" " + LongName(OptionId::Extract) + " \"* ]]; then _filedir -d; else " +
             archives + "; fi";
    case Completion::Choice: return "COMPREPLY=($(compgen -W '" + std::string(option.choices) + "' -- \"$cur\"))";
    default: return {};
  }
}

// One case for each way of completing a value, in the table's order; each
// option with choices has its own.
std::string ValueCases() {
  std::vector<std::pair<std::string, std::vector<const OptionSpec*>>> cases;  // action, options
  for (const OptionSpec& option : OptionTable()) {
    if (option.completion == Completion::AsUsual) continue;
    const std::string action = CompletionAction(option.completion, option);
    auto found = std::find_if(cases.begin(), cases.end(), [&](const auto& entry) {
      return entry.first == action && option.completion != Completion::Choice;
    });
    if (found == cases.end()) found = cases.insert(cases.end(), {action, {}});
    found->second.push_back(&option);
  }
  std::string text;
  for (const auto& [action, options] : cases) {
    text += "    " + Names(options, " | ") + ") " + (action.empty() ? "" : action + "; ") + "return ;;\n";
  }
  text.pop_back();
  return text;
}

std::string CompletionPart(const std::string& name) {
  std::vector<const OptionSpec*> withValue;
  std::vector<const OptionSpec*> offered;
  for (const OptionSpec& option : OptionTable()) {
    if (option.TakesValue()) withValue.push_back(&option);
    // "--" only ends the options: not offered, as no option needs it.
    if (option.id != OptionId::EndOfOptions) offered.push_back(&option);
  }
  if (name == "VALUE_CASES") return ValueCases();
  if (name == "VALUE_OPTIONS") return Names(withValue, " | ");
  if (name == "OPTIONS") return Names(offered, " ");
  throw std::runtime_error("the template names no part %" + name + "%");
}

std::string Filled(const std::string& kind, std::string text) {
  using Parts = std::vector<std::string>;
  const Parts parts = kind == "man" ? Parts{"OPTIONS"} : Parts{"VALUE_CASES", "VALUE_OPTIONS", "OPTIONS"};
  for (const std::string& name : parts) {
    const std::size_t marker = text.find("%" + name + "%");
    if (marker == std::string::npos) throw std::runtime_error("the template has no %" + name + "%");
    text.replace(marker, name.size() + 2, kind == "man" ? ManualOptions() : CompletionPart(name));
  }
  return text;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4 || (std::string(argv[1]) != "man" && std::string(argv[1]) != "completion")) {
    std::cerr << "usage: option_docs man|completion TEMPLATE OUTPUT\n";
    return 2;
  }
  std::ifstream input(argv[2], std::ios::binary);
  std::stringstream text;
  if (!input || !(text << input.rdbuf())) {
    std::cerr << "option_docs: cannot read " << argv[2] << '\n';
    return 1;
  }
  try {
    const std::string filled = Filled(argv[1], text.str());
    std::ofstream output(argv[3], std::ios::binary);
    if (output << filled && output.flush()) return 0;
    std::cerr << "option_docs: cannot write " << argv[3] << '\n';
  } catch (const std::exception& error) {
    std::cerr << "option_docs: " << error.what() << '\n';
  }
  return 1;
}
