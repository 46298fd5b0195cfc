#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QTest>

#include "log/convert_log.h"
#include "sheet_test_support.h"

using namespace sheet_test;

namespace {

// The logging page of one open sheet, seen through its controls.
struct LogControls {
  explicit LogControls(QWidget& sheet)
      : page(Page(sheet, kLogging)),
        enable(Control<QCheckBox>(page, "enable")),
        path(Control<QLineEdit>(page, "path")),
        browse(Control<QPushButton>(page, "browse")),
        level(Control<QComboBox>(page, "level")),
        dependents{Control<QWidget>(page, "fileLabel"), path, browse, Control<QWidget>(page, "levelLabel"), level} {}

  bool DependentsEnabled(bool enabled) const {
    for (QWidget* control : dependents) {
      if (control->isEnabled() != enabled) return false;
    }
    return true;
  }

  QWidget* page;
  QCheckBox* enable;
  QLineEdit* path;
  QPushButton* browse;
  QComboBox* level;
  std::vector<QWidget*> dependents;
};

void TypeOver(QComboBox* combo, const QString& text) {
  combo->lineEdit()->selectAll();
  QTest::keyClicks(combo->lineEdit(), text);
}

}  // namespace

class LogPageTest : public QObject {
  Q_OBJECT

 private:
  RecordingServices services;

 private slots:
  void init() {
    services = RecordingServices();
    ConvertOptions::Instance().ResetToDefaults();
    ConvertOptions::Instance().SetServices(&services);
  }

  void defaultsOpenUntickedAndDisabled() {
    CMySheet sheet(services);
    LogControls log(sheet);
    QVERIFY(!log.enable->isChecked());
    QVERIFY(log.enable->isEnabled());
    QVERIFY(log.path->text().isEmpty());
    QVERIFY(log.DependentsEnabled(false));
    QCOMPARE(log.level->currentText(), QString("Errors only"));
    QCOMPARE(log.level->count(), 3);
    QCOMPARE(log.level->itemText(0), QString("Everything"));
    QCOMPARE(log.level->itemText(1), QString("Warnings and Errors only"));
    QVERIFY(log.level->isEditable());
  }

  void storedLevelOpensTickedWithItsItem_data() {
    QTest::addColumn<int>("stored");
    QTest::addColumn<QString>("shown");
    QTest::newRow("everything") << 1 << "Everything";
    QTest::newRow("warnings") << 2 << "Warnings and Errors only";
    QTest::newRow("errors") << 3 << "Errors only";
    QTest::newRow("level 0 selects nothing, so Errors only") << 0 << "Errors only";
  }
  void storedLevelOpensTickedWithItsItem() {
    QFETCH(int, stored);
    QFETCH(QString, shown);
    ConvertOptions::Instance().logLevel = stored;
    ConvertOptions::Instance().logPath = "/tmp/conversion.txt";
    CMySheet sheet(services);
    LogControls log(sheet);
    QVERIFY(log.enable->isChecked());
    QCOMPARE(log.path->text(), QString("/tmp/conversion.txt"));
    QVERIFY(log.DependentsEnabled(true));
    QCOMPARE(log.level->currentText(), shown);
  }

  void selectedItemStoresIndexPlusOne_data() {
    QTest::addColumn<int>("index");
    QTest::newRow("Everything") << 0;
    QTest::newRow("Warnings and Errors only") << 1;
    QTest::newRow("Errors only") << 2;
  }
  void selectedItemStoresIndexPlusOne() {
    QFETCH(int, index);
    CMySheet sheet(services);
    LogControls log(sheet);
    log.enable->click();
    log.level->setCurrentIndex(index);
    log.path->setText("/var/tmp/log.txt");
    sheet.accept();
    QCOMPARE(ConvertOptions::Instance().logLevel, index + 1);
    QCOMPARE(ConvertOptions::Instance().logPath, std::string("/var/tmp/log.txt"));
  }

  void clickingTheBoxEnablesAndDisablesTheFive() {
    CMySheet sheet(services);
    LogControls log(sheet);
    log.enable->click();
    QVERIFY(log.DependentsEnabled(true));
    log.enable->click();
    QVERIFY(log.DependentsEnabled(false));
  }

  void pathHiddenWhileOffAndStoredEmptyWhenTickedAgain() {
    ConvertOptions::Instance().logLevel = LogLevel::INFO;
    ConvertOptions::Instance().logPath = "/tmp/old.txt";
    {
      CMySheet sheet(services);
      LogControls(sheet).enable->click();
      sheet.accept();
    }
    QCOMPARE(ConvertOptions::Instance().logLevel, int{LogLevel::NONE});
    QCOMPARE(ConvertOptions::Instance().logPath, std::string("/tmp/old.txt"));

    CMySheet sheet(services);
    LogControls log(sheet);
    QVERIFY(!log.enable->isChecked());
    QVERIFY(log.path->text().isEmpty());
    log.enable->click();
    sheet.accept();
    QCOMPARE(ConvertOptions::Instance().logPath, std::string());
    QCOMPARE(ConvertOptions::Instance().logLevel, int{LogLevel::ERROR});
  }

  void clearingTheBoxKeepsThePath() {
    ConvertOptions::Instance().logLevel = LogLevel::WARNING;
    ConvertOptions::Instance().logPath = "/tmp/keep.txt";
    CMySheet sheet(services);
    LogControls log(sheet);
    log.path->setText("/tmp/typed-but-off.txt");
    log.enable->click();
    sheet.accept();
    QCOMPARE(ConvertOptions::Instance().logLevel, int{LogLevel::NONE});
    QCOMPARE(ConvertOptions::Instance().logPath, std::string("/tmp/keep.txt"));
  }

  void typedLevelTextSelectsNothingAndStoresZero() {
    CMySheet sheet(services);
    sheet.show();
    LogControls log(sheet);
    log.enable->click();
    TypeOver(log.level, "Verbose");
    sheet.accept();
    QCOMPARE(ConvertOptions::Instance().logLevel, 0);
  }

  void enablingSelectsErrorsOnlyWhenNothingIsSelected() {
    CMySheet sheet(services);
    sheet.show();
    LogControls log(sheet);
    log.enable->click();
    TypeOver(log.level, "Verbose");
    log.enable->click();
    QCOMPARE(log.level->currentText(), QString("Errors only"));
    log.enable->click();
    sheet.accept();
    QCOMPARE(ConvertOptions::Instance().logLevel, int{LogLevel::ERROR});
  }

  void emptyPathWithLoggingOnIsStoredAsItIs() {
    ConvertOptions::Instance().logPath = "/tmp/before.txt";
    ConvertOptions::Instance().logLevel = LogLevel::INFO;
    CMySheet sheet(services);
    LogControls(sheet).path->clear();
    sheet.accept();
    QCOMPARE(ConvertOptions::Instance().logPath, std::string());
    QCOMPARE(ConvertOptions::Instance().logLevel, int{LogLevel::INFO});
  }

  void browseFillsThePathAndCancelLeavesIt() {
    CMySheet sheet(services);
    LogControls log(sheet);
    log.enable->click();
    log.path->setText("/tmp/typed.txt");
    services.chosenFiles = {std::nullopt, std::string("/home/user/new log.txt")};
    log.browse->click();
    QCOMPARE(log.path->text(), QString("/tmp/typed.txt"));
    log.browse->click();
    QCOMPARE(log.path->text(), QString("/home/user/new log.txt"));
    QCOMPARE(services.fileFilters, (std::vector<std::string>(2, "Text Files (*.txt)|*.txt|All Files (*.*)|*.*||")));
    QVERIFY(log.enable->isChecked());
    sheet.accept();
    QCOMPARE(ConvertOptions::Instance().logPath, std::string("/home/user/new log.txt"));
  }

  void helpKeyOpensHelpAndIsKept() {
    CMySheet sheet(services);
    sheet.show();
    HelpKeyWatcher watcher;
    sheet.installEventFilter(&watcher);
    QTest::keyClick(LogControls(sheet).enable, Qt::Key_F1);
    QCOMPARE(services.openedPaths, std::vector<std::string>{ConvertOptions::HelpFilePath()});
    QCOMPARE(watcher.helpKeys, 0);
  }
};

QTEST_MAIN(LogPageTest)
#include "log_page_test.moc"
