#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <optional>
#include <string>

#include "app/link_opener.h"

Q_DECLARE_METATYPE(std::optional<std::string>)

namespace {

const std::string kLink = "https://www.example.com/scrivane/";

void WriteFile(const QString& path, const QByteArray& text, QFile::Permissions permissions = {}) {
  QFile file(path);
  QVERIFY(file.open(QIODevice::WriteOnly));
  file.write(text);
  file.close();
  if (permissions) QVERIFY(file.setPermissions(permissions));
}

}  // namespace

class LinkOpenerTest : public QObject {
  Q_OBJECT

 private slots:
  void assemblesCommand_data() {
    QTest::addColumn<QString>("handler");
    QTest::addColumn<QString>("expected");
    QTest::newRow("quoted code after a blank keeps both blanks")
        << R"(/usr/bin/browser --new-window "%u")" << "/usr/bin/browser --new-window  https://www.example.com/scrivane/";
    QTest::newRow("bare code") << "browser %U" << "browser  https://www.example.com/scrivane/";
    QTest::newRow("no code: link after one blank")
        << "browser --new-tab" << "browser --new-tab https://www.example.com/scrivane/";
    QTest::newRow("quoted code wins over an earlier bare one")
        << R"(browser %f --url "%u" --private)" << "browser %f --url  https://www.example.com/scrivane/";
    QTest::newRow("earliest of several bare codes") << "browser %F then %u" << "browser  https://www.example.com/scrivane/";
    QTest::newRow("file code quoted") << R"(viewer "%F")" << "viewer  https://www.example.com/scrivane/";
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
    QTest::newRow("plain") << "[Desktop Entry]\nName=Browser\nExec=browser %u\n" << std::optional<std::string>("browser %u");
    QTest::newRow("blanks around = and CR LF")
        << "[Desktop Entry]\r\nExec = browser %U\r\n" << std::optional<std::string>("browser %U");
    QTest::newRow("TryExec and comments are not Exec")
        << "# Exec=wrong\n[Desktop Entry]\n#Exec=wrong\nTryExec=browser\nExec=browser --x %u"
        << std::optional<std::string>("browser --x %u");
    QTest::newRow("action groups are skipped")
        << "[Desktop Action new]\nExec=wrong %u\n[Desktop Entry]\nName=B\n[Desktop Action private]\nExec=wrong2\n"
        << std::optional<std::string>();
    QTest::newRow("entry after an action group")
        << "[Desktop Action new]\nExec=wrong %u\n[Desktop Entry]\nExec=right %u" << std::optional<std::string>("right %u");
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
    QTemporaryDir desktop;
    QVERIFY(desktop.isValid());
    const QString script = desktop.filePath("fake-browser");
    WriteFile(script, "#!/bin/sh\nprintf '%s\\n' \"$@\" > \"$0.tmp\" && mv \"$0.tmp\" \"$0.args\"\n",
              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    exec.replace("{script}", script.toUtf8()).replace("{dir}", desktop.path().toUtf8());
    UseDesktop(desktop.path(), "fake.desktop");
    WriteFile(desktop.filePath("applications/fake.desktop"), "[Desktop Entry]\nType=Application\nExec=" + exec + "\n");

    const std::string link = "https://www.example.com/a b?c=\"d\"";
    QCOMPARE(OpenWithHtmlHandler(link), result);
    if (result != LinkResult::kOpened) return;
    QTRY_VERIFY(QFile::exists(script + ".args"));
    QFile args(script + ".args");
    QVERIFY(args.open(QIODevice::ReadOnly));
    QCOMPARE(args.readAll(), QByteArray("--new-window\n") + QByteArray::fromStdString(link) + "\n");
  }

  void fallbackWithoutHandler_data() {
    QTest::addColumn<QByteArray>("association");
    QTest::newRow("no association") << QByteArray();
    QTest::newRow("entry file missing") << QByteArray("missing.desktop");
    QTest::newRow("name with a folder") << QByteArray("../fake.desktop");
  }
  void fallbackWithoutHandler() {
    QFETCH(QByteArray, association);
    QTemporaryDir desktop;
    QVERIFY(desktop.isValid());
    UseDesktop(desktop.path(), association);
    WriteFile(desktop.filePath("fake.desktop"), "[Desktop Entry]\nExec=true %u\n");
    QCOMPARE(OpenWithHtmlHandler(kLink), int{LinkResult::kNoAssociation});
  }

 private:
  // Points every desktop lookup of this process into `root`, with text/html
  // handled by the entry `association` (none when empty).
  static void UseDesktop(const QString& root, const QByteArray& association) {
    QVERIFY(QDir(root).mkpath("applications") && QDir(root).mkpath("config"));
    qputenv("XDG_CURRENT_DESKTOP", "X-Generic");
    qputenv("XDG_CONFIG_HOME", (root + "/config").toUtf8());
    qputenv("XDG_CONFIG_DIRS", (root + "/config").toUtf8());
    qputenv("XDG_DATA_HOME", root.toUtf8());
    qputenv("XDG_DATA_DIRS", root.toUtf8());
    if (!association.isEmpty()) {
      WriteFile(root + "/applications/defaults.list", "[Default Applications]\ntext/html=" + association + "\n");
    }
  }
};

QTEST_GUILESS_MAIN(LinkOpenerTest)
#include "link_opener_test.moc"
