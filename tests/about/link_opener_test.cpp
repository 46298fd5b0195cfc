#include <QTest>

#include <optional>
#include <string>

#include "app/link_opener.h"
#include "test_desktop.h"

Q_DECLARE_METATYPE(std::optional<std::string>)

namespace {

const std::string kLink = "https://www.example.com/scrivane/";

}  // namespace

class LinkOpenerTest : public QObject {
  Q_OBJECT

 private slots:
  void assemblesCommand_data() {
    QTest::addColumn<QString>("handler");
    QTest::addColumn<QString>("expected");
    QTest::newRow("quoted code after a blank keeps both blanks")
        << R"(/usr/bin/browser --new-window "%u")"
        << "/usr/bin/browser --new-window  https://www.example.com/scrivane/";
    QTest::newRow("bare code") << "browser %U"
                               << "browser  https://www.example.com/scrivane/";
    QTest::newRow("no code: link after one blank") << "browser --new-tab"
                                                   << "browser --new-tab https://www.example.com/scrivane/";
    QTest::newRow("quoted code wins over an earlier bare one") << R"(browser %f --url "%u" --private)"
                                                               << "browser %f --url  https://www.example.com/scrivane/";
    QTest::newRow("earliest of several bare codes") << "browser %F then %u"
                                                    << "browser  https://www.example.com/scrivane/";
    QTest::newRow("file code quoted") << R"(viewer "%F")"
                                      << "viewer  https://www.example.com/scrivane/";
  }
  void assemblesCommand() {
    QFETCH(QString, handler);
    QFETCH(QString, expected);
    QCOMPARE(AssembleLinkCommand(handler.toStdString(), kLink), std::optional<std::string>(expected.toStdString()));
  }

  void refusesWhatWouldNotFitItsBuffer_data() {
    QTest::addColumn<int>("handlerLength");
    QTest::addColumn<int>("linkLength");
    QTest::addColumn<bool>("fits");
    // "b" repeated, then " %u": the command before the code is handlerLength - 2.
    QTest::newRow("longest handler value") << 259 << 10 << true;
    QTest::newRow("handler value one too long") << 260 << 10 << false;
    QTest::newRow("longest command") << 259 << 519 - 258 << true;
    QTest::newRow("command one too long") << 259 << 520 - 258 << false;
    QTest::newRow("huge link") << 10 << 100000 << false;
  }
  void refusesWhatWouldNotFitItsBuffer() {
    QFETCH(int, handlerLength);
    QFETCH(int, linkLength);
    QFETCH(bool, fits);
    const std::string handler = std::string(handlerLength - 3, 'b') + " %u";
    const std::string link(linkLength, 'l');
    const std::optional<std::string> command = AssembleLinkCommand(handler, link);
    QCOMPARE(command.has_value(), fits);
    if (fits) QCOMPARE(command->substr(command->size() - link.size()), link);
  }

  void readsExecOfTheDesktopEntry_data() {
    QTest::addColumn<QString>("entry");
    QTest::addColumn<std::optional<std::string>>("exec");
    QTest::newRow("plain") << "[Desktop Entry]\nName=Browser\nExec=browser %u\n"
                           << std::optional<std::string>("browser %u");
    QTest::newRow("blanks around = and CR LF") << "[Desktop Entry]\r\nExec = browser %U\r\n"
                                               << std::optional<std::string>("browser %U");
    QTest::newRow("TryExec and comments are not Exec")
        << "# Exec=wrong\n[Desktop Entry]\n#Exec=wrong\nTryExec=browser\nExec=browser --x %u"
        << std::optional<std::string>("browser --x %u");
    QTest::newRow("action groups are skipped")
        << "[Desktop Action new]\nExec=wrong %u\n[Desktop Entry]\nName=B\n[Desktop Action private]\nExec=wrong2\n"
        << std::optional<std::string>();
    QTest::newRow("entry after an action group")
        << "[Desktop Action new]\nExec=wrong %u\n[Desktop Entry]\nExec=right %u"
        << std::optional<std::string>("right %u");
    QTest::newRow("no Exec") << "[Desktop Entry]\nName=B\n" << std::optional<std::string>();
    QTest::newRow("empty") << "" << std::optional<std::string>();
  }
  void readsExecOfTheDesktopEntry() {
    QFETCH(QString, entry);
    QFETCH(std::optional<std::string>, exec);
    QCOMPARE(DesktopEntryExec(entry.toStdString()), exec);
  }

  // The fallback end to end, in a desktop of its own: the association and the
  // handler's entry live in a temporary folder, and the handler is a script
  // that writes down the arguments it was given.
  void fallbackStartsTheHandler_data() {
    QTest::addColumn<QByteArray>("exec");
    QTest::addColumn<int>("result");
    QTest::newRow("started") << QByteArray("{script} --new-window \"%u\"") << int{LinkResult::kOpened};
    QTest::newRow("program missing") << QByteArray("{dir}/no-such-browser %u") << int{LinkResult::kFileNotFound};
    QTest::newRow("nothing before the code") << QByteArray("\"%u\"") << int{LinkResult::kBadAssociation};
    QTest::newRow("value too long") << QByteArray("{script} ") + QByteArray(300, 'x') << int{LinkResult::kOutOfMemory};
  }
  void fallbackStartsTheHandler() {
    QFETCH(QByteArray, exec);
    QFETCH(int, result);
    TestDesktop desktop;
    const QString script = desktop.AddRecordingHandler("fake-browser");
    exec.replace("{script}", script.toUtf8()).replace("{dir}", desktop.Path("").toUtf8());
    desktop.Associate("text/html", "fake.desktop");
    desktop.AddEntry("fake.desktop", exec);

    const std::string link = "https://www.example.com/a b?c=\"d\"";
    QCOMPARE(OpenWithHtmlHandler(link), result);
    if (result != LinkResult::kOpened) return;
    QCOMPARE(TestDesktop::Arguments(script), QByteArray("--new-window\n") + QByteArray::fromStdString(link) + "\n");
  }

  void fallbackWithoutHandler_data() {
    QTest::addColumn<QByteArray>("association");
    QTest::newRow("no association") << QByteArray();
    QTest::newRow("entry file missing") << QByteArray("missing.desktop");
    QTest::newRow("name with a folder") << QByteArray("../fake.desktop");
  }
  void fallbackWithoutHandler() {
    QFETCH(QByteArray, association);
    TestDesktop desktop;
    if (!association.isEmpty()) desktop.Associate("text/html", association);
    TestDesktop::Write(desktop.Path("fake.desktop"), "[Desktop Entry]\nExec=true %u\n");
    QCOMPARE(OpenWithHtmlHandler(kLink), int{LinkResult::kNoAssociation});
  }

  // A link goes to the handler of its scheme, then to the text/html handler;
  // with neither, or with handlers that cannot start, it is not opened.
  void linkOpensWithTheHandlerOfItsScheme_data() {
    QTest::addColumn<QByteArray>("schemeExec");
    QTest::addColumn<QByteArray>("htmlExec");
    QTest::addColumn<int>("result");
    QTest::addColumn<QString>("startedHandler");
    QTest::newRow("scheme handler") << QByteArray("{dir}/scheme-handler %U") << QByteArray("{dir}/html-handler %u")
                                    << int{LinkResult::kOpened} << "scheme-handler";
    QTest::newRow("html handler when the scheme has none")
        << QByteArray() << QByteArray("{dir}/html-handler %u") << int{LinkResult::kOpened} << "html-handler";
    QTest::newRow("html handler when the scheme's cannot start")
        << QByteArray("{dir}/no-such-program %u") << QByteArray("{dir}/html-handler %u") << int{LinkResult::kOpened}
        << "html-handler";
    QTest::newRow("no handler at all") << QByteArray() << QByteArray() << int{LinkResult::kNoAssociation} << "";
    QTest::newRow("scheme handler cannot start, no html handler")
        << QByteArray("{dir}/no-such-program %u") << QByteArray() << int{LinkResult::kFileNotFound} << "";
    QTest::newRow("html handler cannot start")
        << QByteArray() << QByteArray("{dir}/no-such-program %u") << int{LinkResult::kFileNotFound} << "";
  }
  void linkOpensWithTheHandlerOfItsScheme() {
    QFETCH(QByteArray, schemeExec);
    QFETCH(QByteArray, htmlExec);
    QFETCH(int, result);
    QFETCH(QString, startedHandler);
    TestDesktop desktop;
    for (const QString handler : {"scheme-handler", "html-handler"}) desktop.AddRecordingHandler(handler);
    const QByteArray folder = desktop.Path("").toUtf8();
    if (!schemeExec.isEmpty()) {
      desktop.Associate("x-scheme-handler/https", "scheme.desktop");
      desktop.AddEntry("scheme.desktop", schemeExec.replace("{dir}", folder));
    }
    if (!htmlExec.isEmpty()) {
      desktop.Associate("text/html", "html.desktop");
      desktop.AddEntry("html.desktop", htmlExec.replace("{dir}", folder));
    }
    QCOMPARE(OpenLink(kLink), result);
    if (startedHandler.isEmpty()) return;
    QCOMPARE(TestDesktop::Arguments(desktop.Path(startedHandler)), QByteArray::fromStdString(kLink) + "\n");
  }

  // A file goes to the handler of its type; a type without one, such as a web
  // archive on most desktops, goes to the browser.
  void fileOpensWithTheHandlerOfItsType_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("typeOfHandler");
    QTest::addColumn<QString>("startedHandler");
    QTest::newRow("page") << "my page.html" << QByteArray("text/html") << "html-handler";
    QTest::newRow("archive with a handler")
        << "page.mht" << QByteArray("application/x-mimearchive") << "archive-handler";
    QTest::newRow("archive without a handler") << "page.mht" << QByteArray() << "html-handler";
  }
  void fileOpensWithTheHandlerOfItsType() {
    QFETCH(QString, name);
    QFETCH(QByteArray, typeOfHandler);
    QFETCH(QString, startedHandler);
    TestDesktop desktop;
    desktop.Associate("text/html", "html.desktop");
    desktop.AddEntry("html.desktop", desktop.AddRecordingHandler("html-handler").toUtf8() + " %u");
    if (typeOfHandler != "text/html" && !typeOfHandler.isEmpty()) {
      desktop.Associate(typeOfHandler, "archive.desktop");
      desktop.AddEntry("archive.desktop", desktop.AddRecordingHandler("archive-handler").toUtf8() + " %f");
    }
    const QString file = desktop.Path(name);
    TestDesktop::Write(
        file, name.endsWith(".mht") ? "MIME-Version: 1.0\r\nContent-Type: multipart/related;\r\n" : "<!DOCTYPE html>");
    QCOMPARE(OpenFile(file.toStdString()), int{LinkResult::kOpened});
    QCOMPARE(TestDesktop::Arguments(desktop.Path(startedHandler)), file.toUtf8() + "\n");
  }

  void fileNotOpened_data() {
    QTest::addColumn<bool>("fileExists");
    QTest::addColumn<QByteArray>("htmlExec");
    QTest::addColumn<int>("result");
    QTest::newRow("missing file") << false << QByteArray("true %u") << int{LinkResult::kFileNotFound};
    QTest::newRow("no handler") << true << QByteArray() << int{LinkResult::kNoAssociation};
    QTest::newRow("handler cannot start")
        << true << QByteArray("/nonexistent/browser %u") << int{LinkResult::kFileNotFound};
  }
  void fileNotOpened() {
    QFETCH(bool, fileExists);
    QFETCH(QByteArray, htmlExec);
    QFETCH(int, result);
    TestDesktop desktop;
    if (!htmlExec.isEmpty()) {
      desktop.Associate("text/html", "html.desktop");
      desktop.AddEntry("html.desktop", htmlExec);
    }
    const QString file = desktop.Path("page.html");
    if (fileExists) TestDesktop::Write(file, "<p>");
    QCOMPARE(OpenFile(file.toStdString()), result);
  }
};

QTEST_GUILESS_MAIN(LinkOpenerTest)
#include "link_opener_test.moc"
