#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

#include <filesystem>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "app_test_support.h"
#include "cli/cli_run.h"
#include "cli/console_services.h"
#include "tests/support/temp_folder.h"

namespace {

// The command line's services with the window's test clock, so that both
// make the same boundary.
class FixedClockConsole : public ConsoleServices {
 public:
  using ConsoleServices::ConsoleServices;
  std::uint64_t ClockMilliseconds() override { return RecordingServices().ClockMilliseconds(); }
};

using SetOptions = std::function<void(ConvertOptions&)>;

}  // namespace

Q_DECLARE_METATYPE(SetOptions)

// The window and the command line run one conversion entry point: for the
// same options they write the same archive and the same log, byte for byte.
class FrontEndsTest : public QObject {
  Q_OBJECT
 private slots:
  void sameOptionsSameArchive_data() {
    QTest::addColumn<SetOptions>("setOptions");
    QTest::addColumn<QStringList>("flags");
    QTest::newRow("defaults") << SetOptions([](ConvertOptions&) {}) << QStringList{};
    QTest::newRow("every table changed, file links, not complete") << SetOptions([](ConvertOptions& options) {
      options.resourceTags["a"] = "href";
      options.mimeTypes["txt"] = "text/plain";
      options.mimeTypes["css"] = "text/plain";
      options.scriptExtensions.erase("html");
      options.linkStyle = LinkStyle::File;
      options.completeArchive = false;
    })
                                                                   << QStringList{"--tag",
                                                                                  "a=href",
                                                                                  "--mime",
                                                                                  "txt=text/plain",
                                                                                  "--mime",
                                                                                  "css=text/plain",
                                                                                  "--no-default-script-ext",
                                                                                  "--script-ext",
                                                                                  "htm=HTML file",
                                                                                  "--script-ext",
                                                                                  "js=Java Script file",
                                                                                  "--script-ext",
                                                                                  "vbs=VB Script file",
                                                                                  "--link",
                                                                                  "file",
                                                                                  "--no-complete"};
  }
  void sameOptionsSameArchive() {
    QFETCH(SetOptions, setOptions);
    QFETCH(QStringList, flags);
    TempFolder folder;
    const std::filesystem::path site = folder.Path() / "site";
    std::filesystem::copy(SCRIVANE_SOURCE_DIR "/examples/site", site, std::filesystem::copy_options::recursive);
    const std::string page = (site / "index.html").string();
    ConvertOptions& options = ConvertOptions::Instance();

    {
      MainDialogHarness harness;
      setOptions(options);
      options.logPath = folder / "window.log";
      options.logLevel = LogLevel::INFO;
      harness.TypePaths(QString::fromStdString(page), QString::fromStdString(folder / "window.mht"));
      harness.Button(MainDialogId::kCreateArchive)->click();
      QCOMPARE(harness.MessageTexts(),
               std::vector<std::string>{"Web archive created successfully at:\n" + (folder / "window.mht")});
    }

    options.ResetToDefaults();
    std::vector<std::string> arguments = {"--log", folder / "cli.log"};
    for (const QString& flag : flags) arguments.push_back(flag.toStdString());
    arguments.insert(arguments.end(), {page, folder / "cli.mht"});
    std::ostringstream out;
    std::ostringstream err;
    FixedClockConsole console(out, err);
    QCOMPARE(RunCommandLine(arguments, console), 0);
    QCOMPARE(out.str(), std::string());
    QCOMPARE(err.str(), "Web archive created successfully at:\n" + (folder / "cli.mht") + "\n");
    options.ResetToDefaults();

    const std::string archive = FileBytes(folder / "window.mht");
    QVERIFY(archive.find("------=KORVATH_SCRIVANEBUILDER_47\r\nContent-Type: image/gif") != std::string::npos);
    QVERIFY(archive == FileBytes(folder / "cli.mht"));
    const std::string log = FileBytes(folder / "window.log");
    QVERIFY(log.find("[INFO]\t\tFinished - ") != std::string::npos);
    QCOMPARE(log, FileBytes(folder / "cli.log"));
  }
};

QTEST_MAIN(FrontEndsTest)
#include "front_ends_test.moc"
