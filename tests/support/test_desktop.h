#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QString>
#include <QTemporaryDir>
#include <QTest>

// A desktop of the test process's own: every lookup of default handlers, by
// xdg-mime and by Qt, goes to a temporary folder, where a test names the
// handler of each MIME type and writes the handlers' desktop entries. Nothing
// of the machine's own desktop is seen, so "no handler" means none; only the
// machine's MIME database, which tells a file's type, is shared.
class TestDesktop {
 public:
  TestDesktop() {
    const QString mimeDatabaseFolder = MimeDatabaseFolder();  // before the data folders move
    QDir root(m_folder.path());
    root.mkpath(QStringLiteral("applications"));
    root.mkpath(QStringLiteral("config"));
    qputenv("XDG_CURRENT_DESKTOP", "X-Generic");
    qputenv("XDG_CONFIG_HOME", (m_folder.path() + "/config").toUtf8());
    qputenv("XDG_CONFIG_DIRS", (m_folder.path() + "/config").toUtf8());
    qputenv("XDG_DATA_HOME", m_folder.path().toUtf8());
    qputenv("XDG_DATA_DIRS", (m_folder.path() + ":" + mimeDatabaseFolder).toUtf8());
  }

  QString Path(const QString& name) const { return m_folder.filePath(name); }

  // Makes the entry `entryName` the default handler of `mimeType`.
  void Associate(const QByteArray& mimeType, const QByteArray& entryName) {
    m_associations += mimeType + "=" + entryName + "\n";
    Write(Path("applications/defaults.list"), "[Default Applications]\n" + m_associations);
  }

  // Writes the desktop entry `entryName` whose command is `exec`.
  void AddEntry(const QByteArray& entryName, const QByteArray& exec) {
    Write(Path("applications/" + QString::fromUtf8(entryName)),
          "[Desktop Entry]\nType=Application\nName=Handler\nExec=" + exec + "\n");
  }

  // A handler program that writes down the arguments it was given, one a
  // line, for Arguments() to read.
  QString AddRecordingHandler(const QString& name) {
    const QString script = Path(name);
    Write(script, "#!/bin/sh\nprintf '%s\\n' \"$@\" > \"$0.tmp\" && mv \"$0.tmp\" \"$0.args\"\n");
    QFile(script).setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return script;
  }

  // What the recording handler `script` was started with, once it has run.
  static QByteArray Arguments(const QString& script) {
    QFile args(script + ".args");
    if (!QTest::qWaitFor([&] { return args.exists(); }, 10000)) return {};
    args.open(QIODevice::ReadOnly);
    return args.readAll();
  }

  static void Write(const QString& path, const QByteArray& text) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly)) qFatal("cannot write %s", qPrintable(path));
    file.write(text);
  }

 private:
  // A data folder that holds only the machine's MIME database, the same for
  // the whole process, since Qt keeps the database it loaded from a folder.
  static QString MimeDatabaseFolder() {
    static const QString machineDatabase = QStandardPaths::locate(
        QStandardPaths::GenericDataLocation, QStringLiteral("mime"), QStandardPaths::LocateDirectory);
    static QTemporaryDir folder;
    static const bool linked = QFile::link(machineDatabase, folder.filePath(QStringLiteral("mime")));
    Q_UNUSED(linked);
    return folder.path();
  }

  QTemporaryDir m_folder;
  QByteArray m_associations;
};
