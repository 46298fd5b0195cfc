#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <sstream>

#include "cli/cli_run.h"
#include "cli/command_line.h"
#include "cli/console_services.h"
#include "cli/option_table.h"
#include "options/convert_options.h"
#include "tests/support/temp_folder.h"

namespace {

struct RejectedCase {
  std::vector<std::string> arguments;
  std::string error;
};

TEST(CommandLine, RejectsUnusableArguments) {
  const std::vector<RejectedCase> cases = {
      {{}, "expected PAGE [ARCHIVE]"},
      {{"a.html", "b.mht", "c"}, "expected PAGE [ARCHIVE]"},
      {{"-o", "b.mht", "a.html", "c.mht"}, "the archive is named twice: by ARCHIVE and by --output"},
      {{"--output="}, "--output needs a file, or - for the standard output"},
      {{"-"}, "a page read from the standard input needs ARCHIVE or --output"},
      {{"--base", "site", "a.html"}, "--base is for a page read from the standard input (-)"},
      {{"--frobnicate", "a", "b"}, "unknown option --frobnicate"},
      {{"a", "b", "--log"}, "--log needs a value"},
      {{"--log-level", "loud", "a", "b"}, "--log-level takes everything, warnings, errors or none"},
      {{"--link", "http", "a", "b"}, "--link takes file or cid"},
      {{"--tag", "a", "a", "b"}, "--tag takes TAG=ATTRIBUTE"},
      {{"--tag", "=href", "a", "b"}, "--tag takes TAG=ATTRIBUTE"},
      {{"--mime", "svg", "a", "b"}, "--mime takes EXT=TYPE"},
      {{"--script-ext=", "a", "b"}, "--script-ext takes EXT[=DESCRIPTION]"},
      {{"--root", "", "a", "b"}, "--root needs a folder; an empty one would let in every file"},
      {{"--root=", "a", "b"}, "--root needs a folder; an empty one would let in every file"},
      {{"--remote-max-file-size", "0", "a", "b"}, "--remote-max-file-size takes a size in megabytes"},
      {{"--remote-max-total-size=1e400", "a", "b"}, "--remote-max-total-size takes a size in megabytes"},
      {{"--remote-timeout", "5s", "a", "b"}, "--remote-timeout takes a number of seconds up to 86400"},
      {{"--remote-connect-timeout=-1", "a", "b"}, "--remote-connect-timeout takes a number of seconds up to 86400"},
      {{"--remote-max-redirects", "1.5", "a", "b"}, "--remote-max-redirects takes a whole number from 0 to 100"},
  };
  for (const RejectedCase& rejected : cases) {
    const CommandLineParse parse = ParseCommandLine(rejected.arguments);
    EXPECT_FALSE(parse.commandLine);
    EXPECT_EQ(parse.error, rejected.error);
  }
}

TEST(CommandLine, TakesEveryOptionInBothSpellings) {
  const CommandLineParse parse = ParseCommandLine({"--log",
                                                   "run.log",
                                                   "--log-level=warnings",
                                                   "--tag",
                                                   "a=href",
                                                   "--tag=td=background",
                                                   "--mime",
                                                   "svg=image/svg+xml",
                                                   "--script-ext",
                                                   "php",
                                                   "--script-ext=asp=Active pages",
                                                   "--no-default-tags",
                                                   "--no-default-mime",
                                                   "--no-default-script-ext",
                                                   "--link=cid",
                                                   "--root",
                                                   "/srv/site",
                                                   "-q",
                                                   "--complete",
                                                   "--strict",
                                                   "--base=site",
                                                   "--remote",
                                                   "--remote-allow-private",
                                                   "--remote-max-file-size",
                                                   "0.5",
                                                   "--remote-max-total-size=2",
                                                   "--remote-timeout=1.5",
                                                   "--remote-connect-timeout",
                                                   "3",
                                                   "--remote-max-redirects=0",
                                                   "-o",
                                                   "out.mht",
                                                   "--",
                                                   "-"});
  ASSERT_TRUE(parse.commandLine) << parse.error;
  const CommandLine& line = *parse.commandLine;
  EXPECT_EQ(line.inputPath, "-");
  EXPECT_EQ(line.outputPath, "out.mht");
  EXPECT_EQ(line.baseFolder, "site");
  EXPECT_TRUE(line.strict);
  EXPECT_EQ(line.logPath, "run.log");
  EXPECT_EQ(line.logLevel, LogLevel::WARNING);
  EXPECT_EQ(line.resourceTags, CommandLine::Pairs({{"a", "href"}, {"td", "background"}}));
  EXPECT_EQ(line.mimeTypes, CommandLine::Pairs({{"svg", "image/svg+xml"}}));
  EXPECT_EQ(line.scriptExtensions, CommandLine::Pairs({{"php", ""}, {"asp", "Active pages"}}));
  EXPECT_TRUE(line.noDefaultTags && line.noDefaultMime && line.noDefaultScriptExtensions);
  EXPECT_EQ(line.linkStyle, LinkStyle::Cid);
  EXPECT_EQ(line.allowedRoot, "/srv/site");
  EXPECT_TRUE(line.quiet);
  EXPECT_FALSE(ParseCommandLine({"a", "b"}).commandLine->quiet);
  EXPECT_EQ(line.completeArchive, true);
  EXPECT_EQ(ParseCommandLine({"--no-complete", "a", "b"}).commandLine->completeArchive, false);
  EXPECT_EQ(ParseCommandLine({"a", "b"}).commandLine->completeArchive, std::nullopt);
  EXPECT_EQ(ParseCommandLine({"a", "b"}).commandLine->linkStyle, std::nullopt);
  EXPECT_TRUE(ParseCommandLine({"-V"}).commandLine->version);
  EXPECT_TRUE(ParseCommandLine({"-h"}).commandLine->help);
  EXPECT_EQ(ParseCommandLine({"--", "-o"}).commandLine->inputPath, "-o");
  EXPECT_EQ(ParseCommandLine({"-", "-"}).commandLine->outputPath, "-");
  EXPECT_TRUE(line.remote && line.remoteLimits.allowPrivateAddresses);
  EXPECT_EQ(line.remoteLimits.maxFileBytes, 512u << 10);
  EXPECT_EQ(line.remoteLimits.maxTotalBytes, 2u << 20);
  EXPECT_EQ(line.remoteLimits.transferTimeoutMs, 1500u);
  EXPECT_EQ(line.remoteLimits.connectTimeoutMs, 3000u);
  EXPECT_EQ(line.remoteLimits.maxRedirects, 0u);
  const CommandLine plain = *ParseCommandLine({"a", "b"}).commandLine;
  EXPECT_FALSE(plain.remote || plain.remoteLimits.allowPrivateAddresses);
}

// Without an archive named, the page's name with .mht, in the current folder.
TEST(CommandLine, NamesTheArchiveAfterThePage) {
  for (const auto& [page, archive] : std::vector<std::pair<std::string, std::string>>{
           {"site/index.html", "index.mht"}, {"/srv/docs/manual.v2.htm", "manual.v2.mht"}, {"README", "README.mht"}}) {
    EXPECT_EQ(ParseCommandLine({page}).commandLine->outputPath, archive) << page;
  }
}

TEST(CommandLine, FlagsAddToOrReplaceTheDefaults) {
  ConvertOptions& options = ConvertOptions::Instance();
  options.ResetToDefaults();
  ApplyCommandLine(
      *ParseCommandLine({"--log", "x.log", "--mime", "css=text/plain", "--tag", "a=href", "i", "o"}).commandLine,
      options);
  EXPECT_EQ(options.logLevel, LogLevel::INFO);
  EXPECT_EQ(options.mimeTypes.size(), 9u);
  EXPECT_EQ(options.mimeTypes.at("css"), "text/plain");
  EXPECT_EQ(options.resourceTags.size(), 3u);
  EXPECT_TRUE(options.completeArchive);
  EXPECT_EQ(options.linkStyle, LinkStyle::Cid);
  ApplyCommandLine(*ParseCommandLine({"--no-complete", "--link", "file", "i", "o"}).commandLine, options);
  EXPECT_FALSE(options.completeArchive);
  EXPECT_EQ(options.linkStyle, LinkStyle::File);

  options.ResetToDefaults();
  ApplyCommandLine(*ParseCommandLine({"--no-default-mime", "--no-default-script-ext", "i", "o"}).commandLine, options);
  EXPECT_TRUE(options.mimeTypes.empty());
  EXPECT_TRUE(options.scriptExtensions.empty());
  EXPECT_EQ(options.resourceTags.size(), 2u);
  EXPECT_EQ(options.logLevel, LogLevel::NONE);
  options.ResetToDefaults();
}

// Each name of each row reaches what runs it: a value is asked for, a
// switch is taken.
TEST(OptionTable, DrivesTheParser) {
  for (const OptionSpec& option : OptionTable()) {
    for (const std::string_view name : {option.shortName, option.longName}) {
      if (name.empty() || option.id == OptionId::EndOfOptions) continue;
      std::ostringstream out;
      std::ostringstream err;
      ConsoleServices console(out, err);
      RunCommandLine({std::string(name)}, console);
      if (option.TakesValue()) {
        EXPECT_TRUE(err.str().starts_with("scrivane-convert: " + std::string(name) + " needs a value\n")) << err.str();
      } else {
        EXPECT_EQ(err.str().find("unknown option"), std::string::npos) << err.str();
      }
    }
  }
  EXPECT_EQ(HelpText().find('{'), std::string::npos) << "a default left unnamed";
  EXPECT_THROW(WithDefaults("{nothing}"), std::logic_error);
}

// The bold option names on the lines after .TP in the man page's OPTIONS.
std::set<std::string> ManPageOptions(const std::string& man) {
  std::set<std::string> names;
  std::istringstream lines(man.substr(man.find("\n.SH OPTIONS\n") + 1));
  std::string line;
  bool named = false;
  while (std::getline(lines, line) && (line == ".SH OPTIONS" || !line.starts_with(".SH "))) {
    for (std::size_t bold = line.find("\\fB"); named && bold != std::string::npos; bold = line.find("\\fB", bold)) {
      const std::size_t end = line.find("\\fR", bold);
      std::string name;
      for (std::size_t i = bold + 3; i < std::min(end, line.size()); ++i) {
        if (line[i] != '\\') name += line[i];
      }
      if (name.size() > 1 && name[0] == '-' && name.find_first_not_of('-') != std::string::npos) names.insert(name);
      bold = end;
    }
    named = line == ".TP";
  }
  return names;
}

// The words the completion offers for a word that starts with a dash.
std::set<std::string> CompletionOptions(const std::string& completion) {
  const std::size_t words = completion.find("compgen -W '-") + 12;
  std::istringstream offer(completion.substr(words, completion.find('\'', words) - words));
  std::set<std::string> names;
  for (std::string name; offer >> name;) names.insert(name);
  return names;
}

// The man page's option list and the completion, as the build writes them,
// name exactly the table's options ("--" aside).
TEST(OptionTable, ManPageAndCompletionNameItsOptions) {
  std::set<std::string> names;
  for (const OptionSpec& option : OptionTable()) {
    for (const std::string_view name : {option.shortName, option.longName}) {
      if (!name.empty() && option.id != OptionId::EndOfOptions) names.emplace(name);
    }
  }
  EXPECT_EQ(ManPageOptions(FileBytes(SCRIVANE_DIST_DIR "/scrivane-convert.1")), names);
  EXPECT_EQ(CompletionOptions(FileBytes(SCRIVANE_DIST_DIR "/scrivane-convert.bash-completion")), names);
}

struct RunCase {
  std::vector<std::string> arguments;
  int status;
  std::string out;
  std::string err;
};

TEST(CommandLine, ChecksPathsInOrderAndReportsFailures) {
  TempFolder folder;
  const std::string missing = folder / "missing.html";
  const std::vector<RunCase> cases = {
      {{"", ""}, 2, "", "scrivane-convert: Input path cannot be empty. Please choose any HTML file.\n"},
      {{"a.html", ""},
       2,
       "",
       "scrivane-convert: Output path cannot be empty. Please choose where\n"
       "you'd like to store the outcome web archive.\n"},
      {{"a.html", "a.htm"},
       2,
       "",
       "scrivane-convert: Output file must have extension \".mht\" (e.g. /home/user/foo.mht).\n"
       "Otherwise browsers will not be able to read its content.\n"},
      {{missing, folder / "out.MHT"},
       1,
       "",
       "scrivane-convert: The input document cannot be opened: " + missing + ": No such file or directory\n"},
      {{folder.Path(), folder / "out.mhtml"},
       1,
       "",
       "scrivane-convert: The input document cannot be opened: " + folder.Path().string() + ": Is a directory\n"},
      {{"--bogus"},
       2,
       "",
       "scrivane-convert: unknown option --bogus\nusage: scrivane-convert [OPTIONS] PAGE [ARCHIVE]\n"},
      {{"--version"}, 0, "scrivane-convert 2.0\n", ""},
      {{"--log", folder / "missing/run.log", "a.html", folder / "out.mht"},
       2,
       "",
       "scrivane-convert: --log " + (folder / "missing/run.log") + ": No such file or directory\n"},
  };
  for (const RunCase& run : cases) {
    std::ostringstream out;
    std::ostringstream err;
    ConsoleServices console(out, err);
    EXPECT_EQ(RunCommandLine(run.arguments, console), run.status);
    EXPECT_EQ(out.str(), run.out);
    EXPECT_EQ(err.str(), run.err);
  }
  EXPECT_FALSE(std::filesystem::exists(folder / "out.MHT"));
  EXPECT_FALSE(std::filesystem::exists(folder / "out.mht"));
}

// Each file left out is a warning, and their count ends what is said;
// --quiet keeps errors only; --strict fails and keeps the earlier archive.
TEST(CommandLine, TellsWhatWasLeftOut) {
  TempFolder folder;
  PutFile(folder / "page.html", "<img src=\"gone.gif\"><img src=\"a.gif\">");
  PutFile(folder / "a.gif", "GIF89a");
  PutFile(folder / "page.mht", "earlier archive");
  const std::string archive = folder / "page.mht";
  const std::string warning = "scrivane-convert: warning: Failed to add resource body part: " + (folder / "gone.gif") +
                              ": No such file or directory\n";
  const std::string refusal = "scrivane-convert: Files the page needs were left out: 1 file\n";
  const std::vector<RunCase> cases = {
      {{"--strict", folder / "page.html"}, 1, "", warning + refusal},
      {{"--strict", "-q", folder / "page.html"}, 1, "", refusal},
      {{"-q", folder / "page.html", archive}, 0, "", ""},
      {{folder / "page.html", archive},
       0,
       "",
       warning + "Web archive created successfully at:\n" + archive + "\nscrivane-convert: 1 file was left out.\n"},
  };
  for (const RunCase& run : cases) {
    std::ostringstream out;
    std::ostringstream err;
    ConsoleServices console(out, err);
    std::vector<std::string> arguments = run.arguments;
    if (run.status == 1) arguments.push_back(archive);
    EXPECT_EQ(RunCommandLine(arguments, console), run.status);
    EXPECT_EQ(err.str(), run.err);
    if (run.status == 1) {
      EXPECT_EQ(FileBytes(archive), "earlier archive");
    }
  }
  EXPECT_NE(FileBytes(archive).find("R0lGODlh"), std::string::npos) << "the image, in base64";
}

TEST(CommandLine, WritesNoArchiveToATerminal) {
  std::ostringstream out;
  std::ostringstream err;
  ConsoleServices console({.out = out, .err = err, .outIsTerminal = true});
  EXPECT_EQ(RunCommandLine({"page.html", "-o", "-"}, console), 2);
  EXPECT_EQ(err.str(), "scrivane-convert: an archive is not written to a terminal; redirect the standard output\n");
}

TEST(CommandLine, ConvertsAndNamesTheArchive) {
  TempFolder folder;
  PutFile(folder / "page.html", "<p>hello</p>");
  std::ostringstream out;
  std::ostringstream err;
  ConsoleServices console(out, err);
  EXPECT_EQ(RunCommandLine({folder / "page.html", folder / "page.mht"}, console), 0);
  EXPECT_EQ(out.str(), "");
  EXPECT_EQ(err.str(), "Web archive created successfully at:\n" + (folder / "page.mht") + "\n");
  EXPECT_NE(FileBytes(folder / "page.mht").find("<p>hello</p>"), std::string::npos);
}

}  // namespace
