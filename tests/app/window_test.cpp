#include <QDir>
#include <QFile>
#include <QMessageBox>
#include <QMimeData>
#include <QProcess>
#include <QTemporaryDir>
#include <QUrl>
#include <QtTest>

#include <filesystem>
#include <string>
#include <vector>

#include "app/main_dialog.h"
#include "app/qt_ui_services.h"
#include "app/window_arguments.h"
#include "app_test_support.h"
#include "desktop_font_guard.h"
#include "modal_answer.h"
#include "options/path_check.h"
#include "options/sheet/page_font.h"
#include "test_desktop.h"

Q_DECLARE_METATYPE(std::vector<std::string>)

namespace {

// Delivers a drag of `urls` over the window and, when it is accepted, the
// drop, as the window system does; says whether the drop was taken.
bool Drop(QWidget& window, const QList<QUrl>& urls) {
  QMimeData data;
  data.setUrls(urls);
  const QPoint centre = window.rect().center();
  QDragEnterEvent enter(centre, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(&window, &enter);
  if (!enter.isAccepted()) return false;
  QDropEvent drop(QPointF(centre), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(&window, &drop);
  return drop.isAccepted();
}

std::string Absolute(const std::string& path) { return std::filesystem::absolute(path).lexically_normal().string(); }

}  // namespace

// What the window does as a Linux desktop program: its command line, dropped
// files, the desktop's font, widening, and the desktop's handlers.
class WindowTest : public QObject {
  Q_OBJECT
 private slots:
  void commandLine_data() {
    QTest::addColumn<std::vector<std::string>>("arguments");
    QTest::addColumn<bool>("usable");
    QTest::addColumn<bool>("help");
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("output");
    using Args = std::vector<std::string>;
    QTest::newRow("nothing") << Args{} << true << false << ""
                             << "";
    QTest::newRow("page") << Args{"/sites/a/index.html"} << true << false << "/sites/a/index.html"
                          << "";
    QTest::newRow("page and archive") << Args{"/a/page.htm", "/b/out.mht"} << true << false << "/a/page.htm"
                                      << "/b/out.mht";
    QTest::newRow("relative paths are made absolute")
        << Args{"site/../page.html", "out.mht"} << true << false << QString::fromStdString(Absolute("page.html"))
        << QString::fromStdString(Absolute("out.mht"));
    QTest::newRow("a path after -- may start with -")
        << Args{"--", "-page.html"} << true << false << QString::fromStdString(Absolute("-page.html")) << "";
    QTest::newRow("help wins") << Args{"page.html", "--help", "--bogus"} << true << true << ""
                               << "";
    QTest::newRow("three paths") << Args{"a", "b", "c"} << false << false << ""
                                 << "";
    QTest::newRow("unknown option") << Args{"--bogus", "page.html"} << false << false << ""
                                    << "";
  }
  void commandLine() {
    QFETCH(std::vector<std::string>, arguments);
    QFETCH(bool, usable);
    QFETCH(bool, help);
    QFETCH(QString, input);
    QFETCH(QString, output);
    const WindowArgumentsParse parse = ParseWindowArguments(arguments);
    QCOMPARE(parse.arguments.has_value(), usable);
    if (!usable) {
      QVERIFY(!parse.error.empty());
      return;
    }
    QCOMPARE(parse.arguments->help, help);
    QCOMPARE(QString::fromStdString(parse.arguments->inputPath), input);
    QCOMPARE(QString::fromStdString(parse.arguments->outputPath), output);
  }

  void commandLineMessages() {
    QCOMPARE(ParseWindowArguments({"a", "b", "c"}).error, std::string("expected at most PAGE and ARCHIVE"));
    QCOMPARE(ParseWindowArguments({"-x"}).error, std::string("unknown option -x"));
    QVERIFY(WindowHelpText().starts_with("usage: scrivane-converter [PAGE [ARCHIVE]]\n"));
  }

  // The program itself: help needs no display; unusable arguments end it
  // before any window opens.
  void programAnswersItsCommandLine() {
    QProcess program;
    program.setProcessEnvironment(QProcessEnvironment());  // no DISPLAY, no platform plugin choice
    program.start(QStringLiteral(SCRIVANE_BIN_DIR "/scrivane-converter"), {QStringLiteral("--help")});
    QVERIFY(program.waitForFinished());
    QCOMPARE(program.exitCode(), 0);
    QCOMPARE(program.readAllStandardOutput().toStdString(), WindowHelpText());
    program.start(QStringLiteral(SCRIVANE_BIN_DIR "/scrivane-converter"), {QStringLiteral("-V")});
    QVERIFY(program.waitForFinished());
    QCOMPARE(program.exitCode(), 0);
    QCOMPARE(program.readAllStandardOutput().toStdString(), WindowVersionText());
    for (const QStringList& arguments : {QStringList{}, QStringList{"page.html"}}) {
      program.start(QStringLiteral(SCRIVANE_BIN_DIR "/scrivane-converter"), arguments);
      QVERIFY(program.waitForFinished());
      QCOMPARE(program.exitStatus(), QProcess::NormalExit);
      QCOMPARE(program.exitCode(), int{kWindowExitNoDisplay});
      const QByteArray told = program.readAllStandardError();
      QVERIFY2(told.startsWith("scrivane-converter: no display") && told.count('\n') == 1, told.constData());
    }
    QProcessEnvironment unreachable;
    unreachable.insert(QStringLiteral("DISPLAY"), QStringLiteral(":4097"));
    program.setProcessEnvironment(unreachable);
    program.start(QStringLiteral(SCRIVANE_BIN_DIR "/scrivane-converter"), {"page.html"});
    QVERIFY(program.waitForFinished());
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QCOMPARE(program.exitCode(), int{kWindowExitNoDisplay});
    const QByteArray told = program.readAllStandardError();
    QVERIFY2(told.startsWith("scrivane-converter: cannot open the window: ") && told.count('\n') == 1,
             told.constData());

    QProcessEnvironment offscreen = QProcessEnvironment::systemEnvironment();
    offscreen.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    program.setProcessEnvironment(offscreen);
    program.start(QStringLiteral(SCRIVANE_BIN_DIR "/scrivane-converter"), {"a.html", "b.mht", "c"});
    QVERIFY(program.waitForFinished());
    QCOMPARE(program.exitCode(), int{kWindowExitUsage});
    QVERIFY(program.readAllStandardError().contains(
        "scrivane-converter: expected at most PAGE and ARCHIVE\nusage: scrivane-converter [PAGE [ARCHIVE]]\n"));
  }

  void givenPathsFillTheFields_data() {
    QTest::addColumn<QString>("typedOutput");
    QTest::addColumn<QString>("givenOutput");
    QTest::addColumn<QString>("expectedOutput");
    QTest::newRow("page alone: the archive beside it") << ""
                                                       << ""
                                                       << "/site/index.mht";
    QTest::newRow("page and archive") << ""
                                      << "/out/a.mht"
                                      << "/out/a.mht";
    QTest::newRow("an output typed before stays") << "/typed.mht"
                                                  << ""
                                                  << "/typed.mht";
    QTest::newRow("a given archive replaces the typed one") << "/typed.mht"
                                                            << "/out/a.mht"
                                                            << "/out/a.mht";
  }
  void givenPathsFillTheFields() {
    QFETCH(QString, typedOutput);
    QFETCH(QString, givenOutput);
    QFETCH(QString, expectedOutput);
    MainDialogHarness harness;
    harness.TypePaths(QStringLiteral("/typed.html"), typedOutput);
    harness.dialog.OpenPaths("/site/index.html", givenOutput.toStdString());
    QCOMPARE(harness.InputEdit()->text(), QStringLiteral("/site/index.html"));
    QCOMPARE(harness.OutputEdit()->text(), expectedOutput);
  }

  void defaultArchiveNames_data() {
    QTest::addColumn<QString>("page");
    QTest::addColumn<QString>("archive");
    QTest::newRow("html") << "/a/page.html"
                          << "/a/page.mht";
    QTest::newRow("htm, upper case") << "/a/PAGE.HTM"
                                     << "/a/PAGE.mht";
    QTest::newRow("only the last extension") << "/a/page.v2.html"
                                             << "/a/page.v2.mht";
    QTest::newRow("no extension") << "/a/page"
                                  << "/a/page.mht";
    QTest::newRow("dot in a folder name") << "/a.b/page"
                                          << "/a.b/page.mht";
  }
  void defaultArchiveNames() {
    QFETCH(QString, page);
    QFETCH(QString, archive);
    QCOMPARE(QString::fromStdString(DefaultArchivePath(page.toStdString())), archive);
  }

  // A dropped page fills the input; the output follows it while it is empty
  // or the previous page's, and stays once the user typed one.
  void droppedFileIsTheInput() {
    QTemporaryDir folder;
    const QString page = folder.filePath(QStringLiteral("my page.html"));
    QFile(page).open(QIODevice::WriteOnly);
    MainDialogHarness harness;
    QVERIFY(!harness.InputEdit()->acceptDrops() && !harness.OutputEdit()->acceptDrops());
    QVERIFY(Drop(harness.dialog, {QUrl::fromLocalFile(page)}));
    QCOMPARE(harness.InputEdit()->text(), page);
    QCOMPARE(harness.OutputEdit()->text(), folder.filePath(QStringLiteral("my page.mht")));

    const QString other = folder.filePath(QStringLiteral("other.htm"));
    QFile(other).open(QIODevice::WriteOnly);
    QVERIFY(Drop(harness.dialog, {QUrl::fromLocalFile(other)}));
    QCOMPARE(harness.InputEdit()->text(), other);
    QCOMPARE(harness.OutputEdit()->text(), folder.filePath(QStringLiteral("other.mht")));

    harness.OutputEdit()->setText(QStringLiteral("/kept.mht"));
    QVERIFY(Drop(harness.dialog, {QUrl::fromLocalFile(page)}));
    QCOMPARE(harness.InputEdit()->text(), page);
    QCOMPARE(harness.OutputEdit()->text(), QStringLiteral("/kept.mht"));
    QVERIFY(harness.services.messages.empty());
  }

  // Typing a page proposes its archive as it goes, until an output is typed.
  void typedPageProposesTheOutput() {
    MainDialogHarness harness;
    QTest::keyClicks(harness.InputEdit(), QStringLiteral("/a/page.html"));
    QCOMPARE(harness.OutputEdit()->text(), QStringLiteral("/a/page.mht"));
    QTest::keyClick(harness.InputEdit(), Qt::Key_Home);
    QTest::keyClicks(harness.InputEdit(), QStringLiteral("/b"));
    QCOMPARE(harness.InputEdit()->text(), QStringLiteral("/b/a/page.html"));
    QCOMPARE(harness.OutputEdit()->text(), QStringLiteral("/b/a/page.mht"));
    harness.InputEdit()->selectAll();
    QTest::keyClick(harness.InputEdit(), Qt::Key_Delete);
    QCOMPARE(harness.OutputEdit()->text(), QString());

    QTest::keyClicks(harness.OutputEdit(), QStringLiteral("mine.mht"));
    QTest::keyClicks(harness.InputEdit(), QStringLiteral("other.html"));
    QCOMPARE(harness.OutputEdit()->text(), QStringLiteral("mine.mht"));
  }

  void dropsThatAreNotOneFileAreRefused() {
    QTemporaryDir folder;
    const QString page = folder.filePath(QStringLiteral("a.html"));
    QFile(page).open(QIODevice::WriteOnly);
    MainDialogHarness harness;
    QVERIFY(!Drop(harness.dialog, {QUrl::fromLocalFile(folder.path())}));
    QVERIFY(!Drop(harness.dialog, {QUrl::fromLocalFile(page), QUrl::fromLocalFile(page)}));
    QVERIFY(!Drop(harness.dialog, {QUrl(QStringLiteral("https://www.example.com/a.html"))}));
    QVERIFY(!Drop(harness.dialog, {}));
    QVERIFY(harness.InputEdit()->text().isEmpty());
    QVERIFY(harness.OutputEdit()->text().isEmpty());
  }

  // The layout is in dialog units of the desktop's font, so a larger desktop
  // font gives larger controls.
  void windowUsesTheDesktopFont() {
    int smallWidth = 0;
    for (const int points : {9, 14}) {
      const QFont desktopFont(QStringLiteral("DejaVu Sans"), points);
      const DesktopFontGuard guard(desktopFont);
      MainDialogHarness harness;
      QCOMPARE(harness.dialog.font(), desktopFont);
      const DialogUnits units(desktopFont);
      QCOMPARE(harness.Button(MainDialogId::kCreateArchive)->size(), units.Size(96, 16));
      QCOMPARE(harness.InputEdit()->height(), units.Y(14));
      QVERIFY(harness.dialog.width() > smallWidth);
      smallWidth = harness.dialog.width();
    }
  }

  // Wider for a long path, never taller: the edits take the extra width.
  void widensButKeepsItsHeight() {
    MainDialogHarness harness;
    QTest::qWait(0);
    const QSize start = harness.dialog.size();
    const int editWidth = harness.InputEdit()->width();
    QCOMPARE(harness.dialog.minimumHeight(), harness.dialog.maximumHeight());
    harness.dialog.resize(start.width() + 300, start.height() + 100);
    QCoreApplication::processEvents();
    QCOMPARE(harness.dialog.size(), QSize(start.width() + 300, start.height()));
    QCOMPARE(harness.InputEdit()->width(), editWidth + 300);
    QCOMPARE(harness.OutputEdit()->width(), editWidth + 300);
    harness.dialog.resize(start.width() - 100, start.height());
    QCOMPARE(harness.dialog.width(), start.width());
  }

  // The real desktop services in a desktop whose handler for pages cannot
  // start: View and the help report it in the framework's warning box.
  void viewAndHelpReportAHandlerThatCannotStart() {
    TestDesktop desktop;
    desktop.Associate("text/html", "browser.desktop");
    desktop.AddEntry("browser.desktop", desktop.Path("no-such-browser").toUtf8() + " %u");
    const QString page = desktop.Path("page.html");
    TestDesktop::Write(page, "<p>");
    // The help page where the program looks first, for as long as the test runs.
    const QString help = QString::fromStdString(ConvertOptions::HelpFilePath());
    QVERIFY(!QFile::exists(help));
    TestDesktop::Write(help, "<p>");
    const auto removeHelp = qScopeGuard([&] { QFile::remove(help); });

    QtUiServices services;
    ConvertOptions::Instance().SetServices(&services);
    const auto dropServices = qScopeGuard([] { ConvertOptions::Instance().SetServices(nullptr); });
    CMainDlg dialog(services);
    dialog.show();
    dialog.findChild<QLineEdit*>(QStringLiteral("inputEdit"))->setText(page);
    QStringList warnings;
    const auto answer = [&warnings](QMessageBox& box) {
      warnings << box.text();
      box.accept();
    };
    AnswerNextModal<QMessageBox>(answer);
    dialog.findChild<QPushButton*>(QStringLiteral("viewInputButton"))->click();
    AnswerNextModal<QMessageBox>(answer);
    dialog.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_F1);
    QCOMPARE(warnings, (QStringList{"Cannot open the file at:\n\n" + page, "Failed to open help file at:\n\n" + help}));
  }
};

QTEST_MAIN(WindowTest)
#include "window_test.moc"
