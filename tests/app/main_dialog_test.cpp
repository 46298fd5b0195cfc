#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QKeySequence>
#include <QLabel>
#include <QProcess>
#include <QProgressBar>
#include <QProgressDialog>
#include <QPushButton>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <QtTest>

#include <algorithm>
#include <chrono>
#include <cstdlib>

#include "app/about_dialog.h"
#include "app_test_support.h"
#include "options/sheet/my_sheet.h"
#include "options/string_table.h"

namespace {

using Texts = std::vector<std::string>;

const std::string kInputEmpty = "Input path cannot be empty. Please choose any HTML file.";
const std::string kOutputEmpty =
    "Output path cannot be empty. Please choose where\nyou'd like to store the outcome web archive.";
const std::string kOutputExtension =
    "Output file must have extension \".mht\" (e.g. /home/user/foo.mht).\n"
    "Otherwise browsers will not be able to read its content.";
const std::string kInputCannotOpen = "The input document cannot be opened";
const std::string kOutputCannotCreate = "The output document cannot be created";
const std::string kCloseConfirm = "Are you sure you want to close Scrivane Converter?";
const std::string kCloseWhileConverting = "A web archive is being created. Cancel it and close Scrivane Converter?";
const std::string kOutputFilter = "Web Archive Files (*.mht;*.mhtml)|*.mht;*.mhtml|All Files (*.*)|*.*||";
const QByteArray kGifBytes = QByteArray::fromHex("474946383961010001000000002c00000000010001000002024401003b");

void WriteFile(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  QVERIFY(file.open(QIODevice::WriteOnly));
  QCOMPARE(file.write(bytes), bytes.size());
}

QByteArray ReadFile(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A page with one image, the smallest site that needs an archive of two parts.
void WriteSite(const QString& folder) {
  WriteFile(folder + "/page.html", "<html><body><p>Hello</p><img src=\"pic.gif\"></body></html>");
  WriteFile(folder + "/pic.gif", kGifBytes);
}

// The archive as Python's email package reads it: each part's location, type
// and decoded body.
QJsonObject ParseArchive(const QString& path) {
  static const char* kScript = R"(
import email, json, sys
message = email.message_from_bytes(open(sys.argv[1], 'rb').read())
parts = [{'location': p['Content-Location'], 'type': p.get_content_type(),
          'body': p.get_payload(decode=True).hex()} for p in message.get_payload()]
print(json.dumps({'type': message.get_content_type(), 'parts': parts}))
)";
  QProcess python;
  python.start(QStringLiteral("python3"), {QStringLiteral("-c"), QString::fromUtf8(kScript), path});
  if (!python.waitForFinished() || python.exitCode() != 0) return {};
  return QJsonDocument::fromJson(python.readAllStandardOutput()).object();
}

}  // namespace

class MainDialogTest : public QObject {
  Q_OBJECT
 private slots:
  void captionIconAndFields() {
    MainDialogHarness harness;
    QCOMPARE(harness.dialog.windowTitle(), QStringLiteral("Scrivane Converter v2.0"));
    QVERIFY(!harness.dialog.windowIcon().isNull());
    QVERIFY(harness.InputEdit()->text().isEmpty());
    QVERIFY(harness.OutputEdit()->text().isEmpty());
    QVERIFY(harness.Button(MainDialogId::kCreateArchive)->isDefault());
  }

  // Tab goes as the layout reads, and every button has its own mnemonic.
  void buttonsInTabOrder() {
    MainDialogHarness harness;
    const std::vector<std::pair<int, QString>> expected{
        {CommandNumber(MainDialogId::kInputEdit), ""},
        {CommandNumber(MainDialogId::kBrowseInput), "&Browse..."},
        {CommandNumber(MainDialogId::kViewInput), "&View"},
        {CommandNumber(MainDialogId::kOutputEdit), ""},
        {CommandNumber(MainDialogId::kBrowseOutput), "B&rowse..."},
        {CommandNumber(MainDialogId::kViewOutput), "V&iew"},
        {CommandNumber(MainDialogId::kSetOptions), "&Set Options"},
        {CommandNumber(MainDialogId::kCreateArchive), "&Create Archive"},
        {CommandNumber(MainDialogId::kAbout), "Ab&out"},
        {CommandNumber(MainDialogId::kExit), "E&xit"}};
    std::vector<std::pair<int, QString>> found;
    QWidget* widget = harness.InputEdit();
    do {
      if (widget->focusPolicy() & Qt::TabFocus) {
        const auto* button = qobject_cast<QPushButton*>(widget);
        found.emplace_back(widget->property("commandId").toInt(), button ? button->text() : QString());
      }
      widget = widget->nextInFocusChain();
    } while (widget != harness.InputEdit());
    QCOMPARE(found, expected);

    QStringList texts;
    for (const auto* button : harness.dialog.findChildren<QPushButton*>()) texts << button->text();
    for (const auto* label : harness.dialog.findChildren<QLabel*>()) texts << label->text();
    for (const auto* menu : harness.dialog.findChild<QMenuBar*>()->actions()) texts << menu->text();
    QSet<QKeySequence> mnemonics;
    for (const QString& text : texts) {
      const QKeySequence mnemonic = QKeySequence::mnemonic(text);
      QVERIFY2(!mnemonic.isEmpty() && !mnemonics.contains(mnemonic), qPrintable(text));
      mnemonics.insert(mnemonic);
    }
  }

  // Each path sits in a row with its Browse and View buttons; the commands
  // form the bottom row, About left of Exit on the right-hand side.
  void controlsGroupedInRows() {
    MainDialogHarness harness;
    const auto geometry = [&](MainDialogId id) {
      if (id == MainDialogId::kInputEdit) return harness.InputEdit()->geometry();
      if (id == MainDialogId::kOutputEdit) return harness.OutputEdit()->geometry();
      return harness.Button(id)->geometry();
    };
    const auto sameRow = [&](MainDialogId a, MainDialogId b) {
      return std::abs(geometry(a).center().y() - geometry(b).center().y()) <= 2;
    };
    QVERIFY(sameRow(MainDialogId::kInputEdit, MainDialogId::kBrowseInput));
    QVERIFY(sameRow(MainDialogId::kInputEdit, MainDialogId::kViewInput));
    QVERIFY(sameRow(MainDialogId::kOutputEdit, MainDialogId::kBrowseOutput));
    QVERIFY(sameRow(MainDialogId::kSetOptions, MainDialogId::kExit));
    QVERIFY(geometry(MainDialogId::kInputEdit).bottom() < geometry(MainDialogId::kOutputEdit).top());
    QVERIFY(geometry(MainDialogId::kOutputEdit).bottom() < geometry(MainDialogId::kCreateArchive).top());
    QVERIFY(geometry(MainDialogId::kInputEdit).right() < geometry(MainDialogId::kBrowseInput).left());
    QVERIFY(geometry(MainDialogId::kBrowseInput).right() < geometry(MainDialogId::kViewInput).left());
    QVERIFY(geometry(MainDialogId::kSetOptions).right() < geometry(MainDialogId::kCreateArchive).left());
    QVERIFY(geometry(MainDialogId::kCreateArchive).right() < geometry(MainDialogId::kAbout).left());
    QVERIFY(geometry(MainDialogId::kAbout).right() < geometry(MainDialogId::kExit).left());
    QCOMPARE(geometry(MainDialogId::kViewInput).right(), geometry(MainDialogId::kExit).right());
    QVERIFY(geometry(MainDialogId::kInputEdit).width() > 5 * geometry(MainDialogId::kBrowseInput).width());
  }

  void menuBarItemsAndIds() {
    MainDialogHarness harness;
    const auto* menuBar = harness.dialog.findChild<QMenuBar*>();
    QVERIFY(menuBar);
    QStringList found;
    for (QAction* menu : menuBar->actions()) {
      found << menu->text();
      for (QAction* item : menu->menu()->actions()) {
        found << (item->isSeparator() ? QStringLiteral("-")
                                      : item->text() + u' ' + QString::number(item->data().toInt()));
      }
    }
    QCOMPARE(found, (QStringList{"&File", "Choose Input File... 1005", "Choose Output File... 1006", "-",
                                 "View Input File 1009", "View Output File 1010", "-", "E&xit 2", "&Action",
                                 "&Set Options... 1007", "&Create Archive 1000", "&Help", "&Contents 1014", "-",
                                 "&About 1001"}));
  }

  void validation_data() {
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("output");
    QTest::addColumn<QString>("message");
    QTest::newRow("both empty: only the first check speaks") << ""
                                                             << "" << QString::fromStdString(kInputEmpty);
    QTest::newRow("input empty") << ""
                                 << "out.mht" << QString::fromStdString(kInputEmpty);
    QTest::newRow("output empty") << "page.html"
                                  << "" << QString::fromStdString(kOutputEmpty);
    QTest::newRow("mhtml passes") << "missing.html"
                                  << "foo.mhtml" << QString::fromStdString(kInputCannotOpen);
    QTest::newRow("blank after the extension") << "page.html"
                                               << "foo.mht " << QString::fromStdString(kOutputExtension);
    QTest::newRow("shorter than the extension") << "page.html"
                                                << "mht" << QString::fromStdString(kOutputExtension);
    QTest::newRow("mixed case passes") << "missing.html"
                                       << "FOO.MhT" << QString::fromStdString(kInputCannotOpen);
    QTest::newRow("bare extension passes") << "missing.html"
                                           << ".MHT" << QString::fromStdString(kInputCannotOpen);
    QTest::newRow("input extension not checked") << "missing.txt"
                                                 << "a.mht" << QString::fromStdString(kInputCannotOpen);
  }
  void validation() {
    QFETCH(QString, input);
    QFETCH(QString, output);
    QFETCH(QString, message);
    QTemporaryDir folder;
    const CurrentFolderGuard inFolder(folder.path());
    MainDialogHarness harness;
    harness.TypePaths(input, output);
    harness.Button(MainDialogId::kCreateArchive)->click();
    QCOMPARE(harness.MessageTexts(), Texts{message.toStdString()});
    QCOMPARE(harness.services.messages[0].style, MessageStyle::kIconError);
    const bool converted = message.toStdString() == kInputCannotOpen;
    QCOMPARE(harness.services.waitCursorShown, std::vector<bool>{converted});
    QCOMPARE(QApplication::overrideCursor(), nullptr);
    QCOMPARE(QDir(folder.path()).entryList(QDir::Files), QStringList());
  }

  void enterInEitherEditRunsCreateArchive() {
    MainDialogHarness harness;
    QTest::keyClick(harness.InputEdit(), Qt::Key_Return);
    QTest::keyClick(harness.OutputEdit(), Qt::Key_Enter);
    harness.Action(MainDialogId::kCreateArchive)->trigger();
    QCOMPARE(harness.MessageTexts(), (Texts{kInputEmpty, kInputEmpty, kInputEmpty}));
  }

  // The input is typed relative to the current folder; the archive's main
  // part must still carry a real file URL, so the path is made absolute.
  void successfulConversionWritesTheArchive() {
    QTemporaryDir folder;
    WriteSite(folder.path());
    QVERIFY(QDir(folder.path()).mkdir("sub"));
    const QString typedOutput = folder.path() + "/sub/../Site.MhT";
    const CurrentFolderGuard inFolder(folder.path());
    MainDialogHarness harness;
    harness.TypePaths("page.html", typedOutput);
    QTest::keyClick(harness.OutputEdit(), Qt::Key_Return);

    QCOMPARE(harness.MessageTexts(), Texts{"Web archive created successfully at:\n" + typedOutput.toStdString()});
    QCOMPARE(harness.services.messages[0].style, MessageStyle::kIconInformation);
    QCOMPARE(harness.services.waitCursorShown, std::vector<bool>{true});
    QCOMPARE(QApplication::overrideCursor(), nullptr);
    QCOMPARE(harness.InputEdit()->text(), QStringLiteral("page.html"));
    QCOMPARE(harness.OutputEdit()->text(), typedOutput);

    const QString archivePath = folder.path() + "/Site.MhT";
    QVERIFY(ReadFile(archivePath).startsWith("From: <Saved by Korvath Scrivane Builder>\r\n"));
    const QJsonObject archive = ParseArchive(archivePath);
    QCOMPARE(archive["type"].toString(), QStringLiteral("multipart/related"));
    const QJsonArray parts = archive["parts"].toArray();
    QCOMPARE(parts.size(), 2);
    QCOMPARE(parts[0]["location"].toString(), "file://" + folder.path() + "/page.html");
    QCOMPARE(parts[0]["type"].toString(), QStringLiteral("text/html"));
    const QByteArray page = QByteArray::fromHex(parts[0]["body"].toString().toLatin1());
    QVERIFY2(page.contains("src=\"cid:"), page.constData());
    QCOMPARE(parts[1]["location"].toString(), "file://" + folder.path() + "/pic.gif");
    QCOMPARE(parts[1]["type"].toString(), QStringLiteral("image/gif"));
    QCOMPARE(parts[1]["body"].toString().toLatin1(), kGifBytes.toHex());
  }

  void secondConversionReusesTheDialog() {
    QTemporaryDir folder;
    WriteSite(folder.path());
    MainDialogHarness harness;
    harness.TypePaths(folder.path() + "/page.html", folder.path() + "/one.mht");
    harness.Button(MainDialogId::kCreateArchive)->click();
    harness.OutputEdit()->setText(folder.path() + "/two.mht");
    harness.Button(MainDialogId::kCreateArchive)->click();
    QCOMPARE(harness.services.messages.size(), std::size_t{2});
    QCOMPARE(ParseArchive(folder.path() + "/two.mht")["parts"].toArray().size(), 2);
  }

  // Progress of many parts shows, the window's events are handled while
  // the conversion runs, and nothing in the window can start another
  // conversion; closing it asks first.
  void longConversionShowsItsProgress() {
    constexpr int kParts = 400;
    QTemporaryDir folder;
    QByteArray page = "<p>many parts</p>";
    for (int i = 0; i < kParts; ++i) {
      const QByteArray name = "p" + QByteArray::number(i) + ".gif";
      WriteFile(folder.path() + "/" + name, kGifBytes + QByteArray(4096, char(i)));
      page += "<img src=\"" + name + "\">";
    }
    WriteFile(folder.path() + "/page.html", page);
    MainDialogHarness harness;
    harness.dialog.SetProgressDelay(std::chrono::milliseconds(0));
    harness.TypePaths(folder.path() + "/page.html", folder.path() + "/page.mht");

    QProgressDialog* box = nullptr;
    bool controlsDisabled = false;
    std::vector<int> values;
    QTimer poll;
    poll.setInterval(0);
    connect(&poll, &QTimer::timeout, [&] {
      if (box != nullptr) return;
      auto* found = harness.dialog.findChild<QProgressDialog*>(QStringLiteral("conversionProgress"));
      if (found == nullptr || !found->isVisible()) return;
      box = found;
      controlsDisabled = !harness.InputEdit()->isEnabled() && !harness.Button(MainDialogId::kExit)->isEnabled();
      connect(box->findChild<QProgressBar*>(), &QProgressBar::valueChanged,
              [&](int value) { values.push_back(value); });
      harness.Button(MainDialogId::kCreateArchive)->click();
      harness.Action(MainDialogId::kSetOptions)->trigger();
      harness.dialog.close();  // answered with OK, which is not Yes
    });
    poll.start();
    harness.Button(MainDialogId::kCreateArchive)->click();
    poll.stop();

    QVERIFY(box != nullptr);
    QVERIFY(controlsDisabled);
    QVERIFY(harness.InputEdit()->isEnabled());
    QVERIFY(!values.empty());
    QCOMPARE(values.back(), kParts);
    QVERIFY(std::is_sorted(values.begin(), values.end()));
    QVERIFY(harness.dialog.findChild<QProgressDialog*>() == nullptr);
    QVERIFY(harness.dialog.isVisible());
    QCOMPARE(harness.MessageTexts(), (Texts{kCloseWhileConverting, "Web archive created successfully at:\n" +
                                                                       (folder.path() + "/page.mht").toStdString()}));
    QCOMPARE(harness.services.waitCursorShown, (std::vector<bool>{true, true}));
    QCOMPARE(ParseArchive(folder.path() + "/page.mht")["parts"].toArray().size(), kParts + 1);
  }

  // Each way of cancelling stops a conversion of far more data than it
  // writes before the cancel is seen: the earlier archive stays, no
  // temporary file is left, the log says so, and no failure is shown.
  void cancelStopsTheConversion_data() {
    QTest::addColumn<QString>("way");
    QTest::newRow("the box's Cancel button") << "button";
    QTest::newRow("Escape in the box") << "box escape";
    QTest::newRow("Escape in the window") << "window escape";
    QTest::newRow("closing the window, confirmed") << "close";
  }
  void cancelStopsTheConversion() {
    QFETCH(QString, way);
    constexpr int kParts = 128;
    QTemporaryDir folder;
    QByteArray page = "<p>big parts</p>";
    for (int i = 0; i < kParts; ++i) {
      const QString name = QStringLiteral("p%1.gif").arg(i);
      QFile part(folder.filePath(name));
      QVERIFY(part.open(QIODevice::WriteOnly));
      QVERIFY(part.resize(4 << 20));  // sparse: nothing to write, 4 MB to read
      page += "<img src=\"" + name.toUtf8() + "\">";
    }
    WriteFile(folder.filePath("page.html"), page);
    WriteFile(folder.filePath("page.mht"), "earlier archive");
    MainDialogHarness harness;
    ConvertOptions::Instance().logPath = folder.filePath("run.log").toStdString();
    ConvertOptions::Instance().logLevel = LogLevel::INFO;
    harness.dialog.SetProgressDelay(std::chrono::milliseconds(0));
    harness.TypePaths(folder.filePath("page.html"), folder.filePath("page.mht"));
    harness.services.answers = {MessageAnswer::kYes};

    QElapsedTimer sinceCancel;
    QTimer poll;
    poll.setInterval(0);
    connect(&poll, &QTimer::timeout, [&] {
      auto* box = harness.dialog.findChild<QProgressDialog*>(QStringLiteral("conversionProgress"));
      // Some parts written, so that the cancel comes between or inside them.
      if (sinceCancel.isValid() || box == nullptr || !box->isVisible() || box->value() < 1) return;
      sinceCancel.start();
      if (way == "button") box->findChild<QPushButton*>()->click();
      if (way == "box escape") QTest::keyClick(box, Qt::Key_Escape);
      if (way == "window escape") QTest::keyClick(&harness.dialog, Qt::Key_Escape);
      if (way == "close") harness.dialog.close();
    });
    poll.start();
    harness.Button(MainDialogId::kCreateArchive)->click();
    poll.stop();

    QVERIFY(sinceCancel.isValid());
    QVERIFY2(sinceCancel.elapsed() < 5000, QByteArray::number(sinceCancel.elapsed()));
    QCOMPARE(harness.dialog.isVisible(), way != "close");
    QCOMPARE(harness.MessageTexts(), way == "close" ? Texts{kCloseWhileConverting} : Texts{});
    QCOMPARE(ReadFile(folder.filePath("page.mht")), QByteArray("earlier archive"));
    QCOMPARE(QDir(folder.path()).entryList({QStringLiteral(".scrivane-*")}, QDir::Files | QDir::Hidden), QStringList());
    const QByteArray log = ReadFile(folder.filePath("run.log"));
    QVERIFY2(log.contains("Cancelled by the user"), log.right(300).constData());
    QVERIFY(log.count("Add resource body part") < kParts);
    QVERIFY(!log.contains("Finished"));
  }

  void missingInputLeavesAnExistingArchiveAlone() {
    QTemporaryDir folder;
    WriteFile(folder.path() + "/keep.mht", "earlier archive");
    MainDialogHarness harness;
    harness.TypePaths(folder.path() + "/missing.html", folder.path() + "/keep.mht");
    harness.Button(MainDialogId::kCreateArchive)->click();
    QCOMPARE(harness.MessageTexts(), Texts{kInputCannotOpen});
    QCOMPARE(harness.services.messages[0].style, MessageStyle::kIconError);
    QCOMPARE(ReadFile(folder.path() + "/keep.mht"), QByteArray("earlier archive"));
  }

  // Refused in a box before the wait cursor: nothing is read or written.
  void outputThatWouldReplaceThePageOrTheLog() {
    QTemporaryDir folder;
    WriteSite(folder.path());
    WriteFile(folder.path() + "/run.log", "earlier log");
    QVERIFY(QFile::link(folder.path() + "/page.html", folder.path() + "/page.mht"));
    MainDialogHarness harness;
    harness.TypePaths(folder.path() + "/page.html", folder.path() + "/page.mht");
    harness.Button(MainDialogId::kCreateArchive)->click();
    ConvertOptions::Instance().logPath = (folder.path() + "/run.log").toStdString();
    ConvertOptions::Instance().logLevel = LogLevel::INFO;
    harness.TypePaths(folder.path() + "/page.html", folder.path() + "/sub/../run.log.mht");
    QVERIFY(QFile::link(folder.path() + "/run.log", folder.path() + "/run.log.mht"));
    QVERIFY(QDir(folder.path()).mkdir("sub"));
    harness.Button(MainDialogId::kCreateArchive)->click();

    QCOMPARE(harness.MessageTexts(),
             (Texts{LoadStringResource(StringId::kOutputIsInput), LoadStringResource(StringId::kOutputIsLog)}));
    QCOMPARE(harness.services.messages[1].style, MessageStyle::kIconError);
    QCOMPARE(harness.services.waitCursorShown, (std::vector<bool>{false, false}));
    QVERIFY(ReadFile(folder.path() + "/page.html").startsWith("<html>"));
    QCOMPARE(ReadFile(folder.path() + "/run.log"), QByteArray("earlier log"));
    QCOMPARE(QDir(folder.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
             (QStringList{"page.html", "page.mht", "pic.gif", "run.log", "run.log.mht", "sub"}));
  }

  // Relative paths mean the folder the window was started in, whatever
  // folder the page names as its base.
  void relativePathsMeanTheStartingFolder() {
    QTemporaryDir folder;
    QVERIFY(QDir(folder.path()).mkpath("site"));
    QVERIFY(QDir(folder.path()).mkpath("other"));
    WriteSite(folder.path() + "/site");
    WriteFile(folder.path() + "/site/page.html", "<base href=\"" + (folder.path() + "/other/").toUtf8() + "\">");
    WriteFile(folder.path() + "/notes.txt", "my notes");
    QVERIFY(QFile::link(folder.path() + "/notes.txt", folder.path() + "/other/out.mht"));
    const CurrentFolderGuard inFolder(folder.path());
    MainDialogHarness harness;
    harness.TypePaths("site/page.html", "out.mht");
    harness.Button(MainDialogId::kCreateArchive)->click();
    QCOMPARE(harness.MessageTexts(), Texts{"Web archive created successfully at:\nout.mht"});
    QVERIFY(ReadFile(folder.path() + "/out.mht").startsWith("From: <Saved by Korvath Scrivane Builder>\r\n"));
    QCOMPARE(ReadFile(folder.path() + "/notes.txt"), QByteArray("my notes"));
    QCOMPARE(QDir(folder.path() + "/other").entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
             QStringList{"out.mht"});
  }

  void unwritableOutput_data() {
    QTest::addColumn<QString>("output");
    QTest::newRow("missing folder") << "/missing/out.mht";
    QTest::newRow("a file in place of the folder") << "/page.html/out.mht";
  }
  void unwritableOutput() {
    QFETCH(QString, output);
    QTemporaryDir folder;
    WriteSite(folder.path());
    MainDialogHarness harness;
    harness.TypePaths(folder.path() + "/page.html", folder.path() + output);
    harness.Button(MainDialogId::kCreateArchive)->click();
    QCOMPARE(harness.MessageTexts(), Texts{kOutputCannotCreate});
    QCOMPARE(harness.services.messages[0].style, MessageStyle::kIconError);
    QCOMPARE(QApplication::overrideCursor(), nullptr);
    QCOMPARE(QDir(folder.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
             (QStringList{"page.html", "pic.gif"}));
  }

  void exitAsksFirst_data() {
    QTest::addColumn<QString>("way");
    QTest::newRow("button") << "button";
    QTest::newRow("menu") << "menu";
    QTest::newRow("escape") << "escape";
    QTest::newRow("close box") << "close box";
  }
  void exitAsksFirst() {
    QFETCH(QString, way);
    MainDialogHarness harness;
    const auto exit = [&] {
      if (way == "button") harness.Button(MainDialogId::kExit)->click();
      if (way == "menu") harness.Action(MainDialogId::kExit)->trigger();
      if (way == "escape") QTest::keyClick(harness.InputEdit(), Qt::Key_Escape);
      if (way == "close box") harness.dialog.close();
    };
    harness.TypePaths("in.html", "out.mht");
    harness.services.answers = {MessageAnswer::kNo};
    exit();
    QCOMPARE(harness.MessageTexts(), Texts{kCloseConfirm});
    QCOMPARE(harness.services.messages[0].style, MessageStyle::kYesNo | MessageStyle::kIconQuestion);
    QVERIFY(harness.dialog.isVisible());
    QCOMPARE(harness.InputEdit()->text(), QStringLiteral("in.html"));
    QCOMPARE(harness.OutputEdit()->text(), QStringLiteral("out.mht"));

    harness.services.answers = {MessageAnswer::kYes};
    exit();
    QVERIFY(!harness.dialog.isVisible());
    QCOMPARE(harness.dialog.result(), int{QDialog::Rejected});
  }

  // A chosen page takes the output along while the output is the previous
  // page's; one the user typed or chose stays. What is typed in the other
  // field is kept.
  void browseInputUpdatesAnOutputMadeFromThePage() {
    MainDialogHarness harness;
    harness.services.chosenFiles = {std::string("/site/index.html"), std::string("/other/page.htm"),
                                    std::string("/third/x.html")};
    harness.Button(MainDialogId::kBrowseInput)->click();
    QCOMPARE(harness.OutputEdit()->text(), QStringLiteral("/site/index.mht"));
    harness.Action(MainDialogId::kBrowseInput)->trigger();
    QCOMPARE(harness.InputEdit()->text(), QStringLiteral("/other/page.htm"));
    QCOMPARE(harness.OutputEdit()->text(), QStringLiteral("/other/page.mht"));
    harness.OutputEdit()->setText("typed.mht");
    harness.Button(MainDialogId::kBrowseInput)->click();
    QCOMPARE(harness.InputEdit()->text(), QStringLiteral("/third/x.html"));
    QCOMPARE(harness.OutputEdit()->text(), QStringLiteral("typed.mht"));
    QCOMPARE(harness.services.fileFilters, Texts(3, "HTML Files (*.htm;*.html)|*.htm;*.html|All Files (*.*)|*.*||"));
  }

  // The output's Browse saves: it opens in the page's folder with the
  // page's name and ".mht", and what it chooses stays when the page changes.
  void browseOutputAsksWhereToSave() {
    QTemporaryDir folder;
    const CurrentFolderGuard inFolder(folder.path());
    MainDialogHarness harness;
    harness.services.chosenFiles = {std::nullopt, std::nullopt, std::string("/site/chosen.mht")};
    harness.Button(MainDialogId::kBrowseOutput)->click();
    harness.InputEdit()->setText("docs/page.v2.html");
    harness.Button(MainDialogId::kBrowseOutput)->click();
    harness.InputEdit()->setText("/site/index.html");
    harness.Action(MainDialogId::kBrowseOutput)->trigger();
    QCOMPARE(harness.OutputEdit()->text(), QStringLiteral("/site/chosen.mht"));
    std::vector<Texts> asked;
    for (const SaveFileQuestion& question : harness.services.saveQuestions) {
      asked.push_back({question.filter, question.folder, question.name});
    }
    const std::string here = QDir::currentPath().toStdString();
    QCOMPARE(asked, (std::vector<Texts>{{kOutputFilter, here, ""},
                                        {kOutputFilter, here + "/docs", "page.v2.mht"},
                                        {kOutputFilter, "/site", "index.mht"}}));
    harness.services.chosenFiles = {std::string("/other/page.html")};
    harness.Button(MainDialogId::kBrowseInput)->click();
    QCOMPARE(harness.OutputEdit()->text(), QStringLiteral("/site/chosen.mht"));
  }

  void browseCancelledChangesNothing() {
    MainDialogHarness harness;
    harness.TypePaths("typed.html", "typed.mht");
    harness.Button(MainDialogId::kBrowseOutput)->click();
    QCOMPARE(harness.InputEdit()->text(), QStringLiteral("typed.html"));
    QCOMPARE(harness.OutputEdit()->text(), QStringLiteral("typed.mht"));
  }

  void view_data() {
    QTest::addColumn<MainDialogId>("id");
    QTest::addColumn<bool>("fromMenu");
    QTest::newRow("input button") << MainDialogId::kViewInput << false;
    QTest::newRow("input menu") << MainDialogId::kViewInput << true;
    QTest::newRow("output button") << MainDialogId::kViewOutput << false;
    QTest::newRow("output menu") << MainDialogId::kViewOutput << true;
  }
  void view() {
    QFETCH(MainDialogId, id);
    QFETCH(bool, fromMenu);
    MainDialogHarness harness;
    const auto view = [&] {
      if (fromMenu)
        harness.Action(id)->trigger();
      else
        harness.Button(id)->click();
    };
    view();  // an empty path: nothing at all
    QVERIFY(harness.services.openedPaths.empty());
    QVERIFY(harness.services.messages.empty());
    QVERIFY(harness.services.shellFailures.empty());

    harness.TypePaths("/site/in.html", "/site/out.mht");
    const std::string path = id == MainDialogId::kViewInput ? "/site/in.html" : "/site/out.mht";
    view();
    QCOMPARE(harness.services.openedPaths, Texts{path});
    QVERIFY(harness.services.shellFailures.empty());

    harness.services.openSucceeds = false;
    view();
    QCOMPARE(harness.services.shellFailures, Texts{"Cannot open the file at:\n\n" + path});
    QVERIFY(harness.services.messages.empty());
  }

  void helpOpensThePageBesideTheProgram() {
    MainDialogHarness harness;
    const std::string helpPath = (QCoreApplication::applicationDirPath() + "/main_dialog_test.html").toStdString();
    QCOMPARE(ConvertOptions::HelpFilePath(), helpPath);
    harness.Action(MainDialogId::kHelpContents)->trigger();
    QCOMPARE(harness.services.openedPaths, Texts{helpPath});

    harness.dialog.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&harness.dialog));
    harness.services.openSucceeds = false;
    QTest::keyClick(harness.InputEdit(), Qt::Key_F1);
    QCOMPARE(harness.services.openedPaths, (Texts{helpPath, helpPath}));
    QCOMPARE(harness.services.shellFailures, Texts{"Failed to open help file at:\n\n" + helpPath});
  }

  void shippedHelpPage() {
    const QByteArray page = ReadFile(SCRIVANE_BIN_DIR "/scrivane-converter.html");
    QVERIFY(page.startsWith("<!DOCTYPE html>"));
    QVERIFY(page.contains("Create Archive"));
    QVERIFY(page.contains("cid:"));
    QVERIFY(page.contains("<h1>Scrivane Converter v2.0</h1>"));
    // Every @NAME@ of the page's source was filled in; CSS at-rules named in
    // its text (@import) stay.
    QVERIFY(!QRegularExpression(QStringLiteral("@[A-Z_]+@")).match(QString::fromUtf8(page)).hasMatch());
  }

  void setOptionsAndAboutOpenTheirDialogs() {
    MainDialogHarness harness;
    QStringList opened;
    harness.services.dialogHandler = [&](QDialog& dialog) {
      if (qobject_cast<CMySheet*>(&dialog)) opened << "sheet";
      if (qobject_cast<CAboutDlg*>(&dialog)) opened << "about";
      return int{QDialog::Rejected};
    };
    harness.Button(MainDialogId::kSetOptions)->click();
    harness.Action(MainDialogId::kSetOptions)->trigger();
    harness.Button(MainDialogId::kAbout)->click();
    harness.Action(MainDialogId::kAbout)->trigger();
    QCOMPARE(opened, (QStringList{"sheet", "sheet", "about", "about"}));
    QVERIFY(harness.services.messages.empty());
  }
};

QTEST_MAIN(MainDialogTest)
#include "main_dialog_test.moc"
