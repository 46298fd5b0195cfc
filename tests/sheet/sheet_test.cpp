#include <QAbstractButton>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QKeySequence>
#include <QRadioButton>
#include <QTabBar>
#include <QTest>

#include "log/convert_log.h"
#include "options/sheet/item_edit_dlg.h"
#include "sheet_test_support.h"

using namespace sheet_test;

namespace {

// Edits on every page, none of them written before OK.
void EditEveryPage(QWidget& sheet, RecordingServices& services, std::vector<EditorSeen>& seen) {
  AnswerEditor(services, seen, "a", "href");
  for (int page : {kResources, kScripts, kMime}) {
    Button(sheet, page, "add")->click();
    ClickRow(List(sheet, page), 0);
    Button(sheet, page, "delete")->click();
  }
  Control<QCheckBox>(Page(sheet, kLogging), "enable")->click();
  Control<QLineEdit>(Page(sheet, kLogging), "path")->setText("/tmp/edited.txt");
  Control<QRadioButton>(Page(sheet, kArchive), "fileLinks")->click();
  Control<QCheckBox>(Page(sheet, kArchive), "complete")->click();  // off
}

}  // namespace

class SheetTest : public QObject {
  Q_OBJECT

 private:
  RecordingServices services;
  std::vector<EditorSeen> seen;

 private slots:
  void init() {
    services = RecordingServices();
    seen.clear();
    ConvertOptions::Instance().ResetToDefaults();
    ConvertOptions::Instance().SetServices(&services);
  }

  void captionTabsAndButtons() {
    CMySheet sheet(services);
    QCOMPARE(sheet.windowTitle(), QString("Options"));
    QVERIFY(sheet.isModal());
    QTabWidget* tabs = Tabs(sheet);
    QStringList texts;
    for (int index = 0; index < tabs->count(); ++index) texts << tabs->tabText(index);
    QCOMPARE(texts, (QStringList{" Custom &Resources ", " Scri&pts ", " MIME &types ", " &Logging ", " Arc&hive "}));
    QCOMPARE(tabs->currentIndex(), 0);
    auto* box = sheet.findChild<QDialogButtonBox*>();
    QCOMPARE(box->standardButtons(), QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    QCOMPARE(box->buttons().size(), 2);
    // Every tab (above), button and check box can be reached with Alt.
    for (const QAbstractButton* button : sheet.findChildren<QAbstractButton*>()) {
      if (qobject_cast<const QTabBar*>(button->parentWidget()) != nullptr) continue;  // the tab bar's scroll arrows
      QVERIFY2(QKeySequence::mnemonic(button->text()) != QKeySequence(), qPrintable(button->text()));
    }
  }

  // The desktop's font, enlarged by a tenth as the template font was.
  void sheetAndPagesUseTheEnlargedDesktopFont() {
    const DesktopFontGuard desktopFont(QFont(QStringLiteral("DejaVu Serif"), 10));
    CMySheet sheet(services);
    std::vector<QWidget*> widgets{&sheet};
    for (int index = 0; index < Tabs(sheet)->count(); ++index) widgets.push_back(Page(sheet, index));
    widgets.push_back(List(sheet, kMime));
    for (QWidget* widget : widgets) {
      QCOMPARE(widget->font().family(), QString("DejaVu Serif"));
      QCOMPARE(widget->font().pointSizeF(), 11.0);
    }
  }

  void pagesStayInPlaceAcrossTabChanges() {
    CMySheet sheet(services);
    sheet.show();
    QTabWidget* tabs = Tabs(sheet);
    const QRect first(Page(sheet, 0)->mapTo(&sheet, QPoint()), Page(sheet, 0)->size());
    for (int index : {1, 2, 3, 4, 0, 3, 1, 4, 2, 0}) {
      tabs->setCurrentIndex(index);
      QCoreApplication::processEvents();
      QWidget* page = Page(sheet, index);
      QVERIFY(page->isVisible());
      QCOMPARE(QRect(page->mapTo(&sheet, QPoint()), page->size()), first);
      QVERIFY(tabs->rect().contains(QRect(page->mapTo(tabs, QPoint()), page->size())));
    }
  }

  // F1 asks for the help once from every page, wherever the focus is: right
  // after the sheet opens, on the tab bar after a click on a tab, on every
  // control of the page and on the sheet's own buttons.
  void helpKeyOpensHelpFromEveryPageWhereverTheFocusIs() {
    CMySheet sheet(services);
    sheet.show();
    sheet.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&sheet));
    QStringList missed;
    const auto pressHelp = [&](const QString& where) {
      services.openedPaths.clear();
      QTest::keyClick(QApplication::focusWidget(), Qt::Key_F1);
      if (services.openedPaths != std::vector<std::string>{ConvertOptions::HelpFilePath()}) {
        missed << QStringLiteral("%1 (%2 times)").arg(where).arg(services.openedPaths.size());
      }
    };
    pressHelp(QStringLiteral("on opening"));
    QTabBar* tabBar = Tabs(sheet)->tabBar();
    for (int index = 0; index < Tabs(sheet)->count(); ++index) {
      QTest::mouseClick(tabBar, Qt::LeftButton, Qt::NoModifier, tabBar->tabRect(index).center());
      QCOMPARE(Tabs(sheet)->currentIndex(), index);
      pressHelp(QStringLiteral("after a click on tab %1").arg(index));
      tabBar->setFocus(Qt::MouseFocusReason);
      pressHelp(QStringLiteral("on the tab bar, page %1").arg(index));
      QWidget* page = Page(sheet, index);
      for (QWidget* control : page->findChildren<QWidget*>()) {
        if (!(control->focusPolicy() & Qt::TabFocus) || !control->isEnabled() || !control->isVisible()) continue;
        control->setFocus(Qt::TabFocusReason);
        if (QApplication::focusWidget() != control) continue;  // a part of another control that keeps the focus
        pressHelp(QStringLiteral("page %1, %2").arg(index).arg(control->metaObject()->className()));
      }
    }
    for (QAbstractButton* button : sheet.findChild<QDialogButtonBox*>()->buttons()) {
      button->setFocus(Qt::TabFocusReason);
      pressHelp(button->text());
    }
    QVERIFY2(missed.isEmpty(), qPrintable(missed.join(QStringLiteral("; "))));
  }

  void closingWithoutOkWritesNothing_data() {
    QTest::addColumn<int>("way");
    QTest::newRow("Cancel button") << 0;
    QTest::newRow("Escape") << 1;
    QTest::newRow("close button") << 2;
  }
  void closingWithoutOkWritesNothing() {
    QFETCH(int, way);
    ConvertOptions::Instance().logLevel = LogLevel::WARNING;
    ConvertOptions::Instance().logPath = "/tmp/before.txt";
    const OptionsSnapshot before = OptionsSnapshot::Take();
    CMySheet sheet(services);
    sheet.show();
    Control<QCheckBox>(Page(sheet, kLogging), "enable")->click();  // off
    EditEveryPage(sheet, services, seen);                          // and on again, with a new path
    if (way == 0) sheet.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Cancel)->click();
    if (way == 1) QTest::keyClick(List(sheet, kResources), Qt::Key_Escape);
    if (way == 2) sheet.close();
    QCOMPARE(sheet.result(), int{QDialog::Rejected});
    QVERIFY(!sheet.isVisible());
    QVERIFY(OptionsSnapshot::Take() == before);
  }

  void okCommitsEveryPage() {
    CMySheet sheet(services);
    sheet.show();
    EditEveryPage(sheet, services, seen);
    sheet.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
    const ConvertOptions& options = ConvertOptions::Instance();
    QCOMPARE(options.resourceTags, (ResourceTagTable{{"a", "href"}, {"link", "href"}}));
    QCOMPARE(options.scriptExtensions.count("a"), std::size_t{1});
    QCOMPARE(options.scriptExtensions.count("htm"), std::size_t{0});
    QCOMPARE(options.mimeTypes.count("a"), std::size_t{1});
    QCOMPARE(options.mimeTypes.count("bmp"), std::size_t{0});
    QCOMPARE(options.logLevel, int{LogLevel::ERROR});
    QCOMPARE(options.logPath, std::string("/tmp/edited.txt"));
    QVERIFY(options.linkStyle == LinkStyle::File);
    QVERIFY(!options.completeArchive);
  }

  void archivePageShowsAndStoresTheLinkStyle() {
    ConvertOptions::Instance().linkStyle = LinkStyle::Cid;
    {
      CMySheet sheet(services);
      QVERIFY(Control<QRadioButton>(Page(sheet, kArchive), "cidLinks")->isChecked());
      auto* fileLinks = Control<QRadioButton>(Page(sheet, kArchive), "fileLinks");
      QVERIFY(!fileLinks->isChecked());
      fileLinks->click();
      sheet.accept();
    }
    QVERIFY(ConvertOptions::Instance().linkStyle == LinkStyle::File);
    CMySheet sheet(services);
    QVERIFY(Control<QRadioButton>(Page(sheet, kArchive), "fileLinks")->isChecked());
    QVERIFY(Control<QLabel>(Page(sheet, kArchive), "note")->text().contains("cid:"));
  }

  void archivePageShowsAndStoresTheCompleteArchive() {
    {
      CMySheet sheet(services);
      auto* complete = Control<QCheckBox>(Page(sheet, kArchive), "complete");
      QCOMPARE(complete->text(), QString("&Also archive what stylesheets, media elements and frames need"));
      QVERIFY2(complete->isChecked(), "on by default");
      complete->click();
      sheet.accept();
    }
    QVERIFY(!ConvertOptions::Instance().completeArchive);
    {
      CMySheet sheet(services);
      auto* complete = Control<QCheckBox>(Page(sheet, kArchive), "complete");
      QVERIFY(!complete->isChecked());
      complete->click();
      sheet.accept();
    }
    QVERIFY(ConvertOptions::Instance().completeArchive);
    {
      CMySheet sheet(services);
      auto* remote = Control<QCheckBox>(Page(sheet, kArchive), "remote");
      QCOMPARE(remote->text(), QString("Also fetch &remote files (http and https) into the archive"));
      QVERIFY2(!remote->isChecked(), "off by default");
      remote->click();
      sheet.accept();
    }
    QVERIFY(ConvertOptions::Instance().remote);
    {
      CMySheet sheet(services);
      auto* remote = Control<QCheckBox>(Page(sheet, kArchive), "remote");
      QVERIFY(remote->isChecked());
      remote->click();
      sheet.accept();
    }
    QVERIFY(!ConvertOptions::Instance().remote);
  }
};

// The item editor on its own, shown as the pages show it.
class ItemEditorTest : public QObject {
  Q_OBJECT

 private slots:
  void showsThePagesTextsAndStartsInTheKey() {
    CItemEditDlg editor({"Add / Modify Script", "Extension:", "Description:"}, "js", "Java Script file");
    editor.show();
    QCOMPARE(editor.windowTitle(), QString("Add / Modify Script"));
    const QList<QLabel*> labels = editor.findChildren<QLabel*>();
    QCOMPARE(labels.at(0)->text(), QString("Extension:"));
    QCOMPARE(labels.at(1)->text(), QString("Description:"));
    QCOMPARE(editor.findChild<QLineEdit*>("key")->text(), QString("js"));
    QCOMPARE(editor.findChild<QLineEdit*>("value")->text(), QString("Java Script file"));
    QCOMPARE(editor.focusWidget(), editor.findChild<QLineEdit*>("key"));
    QCOMPARE(editor.font(), QApplication::font());
  }

  void tabGoesKeyValueCancelOk() {
    CItemEditDlg editor({"c", "k", "v"}, "", "");
    QWidget* expected[] = {editor.findChild<QLineEdit*>("key"), editor.findChild<QLineEdit*>("value"),
                           editor.findChild<QPushButton*>("cancel"), editor.findChild<QPushButton*>("ok")};
    QWidget* widget = expected[0];
    for (QWidget* next : expected) {
      QCOMPARE(widget, next);
      widget = widget->nextInFocusChain();
      while (widget->focusPolicy() == Qt::NoFocus) widget = widget->nextInFocusChain();
    }
  }

  void enterMeansOkAndCopiesTheFields() {
    CItemEditDlg editor({"c", "k", "v"}, "old key", "old value");
    editor.show();
    auto* key = editor.findChild<QLineEdit*>("key");
    key->setText("new key");
    editor.findChild<QLineEdit*>("value")->setText("");
    QTest::keyClick(key, Qt::Key_Return);
    QCOMPARE(editor.result(), int{QDialog::Accepted});
    QCOMPARE(editor.Key(), QString("new key"));
    QCOMPARE(editor.Value(), QString());
  }

  void cancelKeepsTheGivenTexts() {
    CItemEditDlg editor({"c", "k", "v"}, "old key", "old value");
    editor.show();
    editor.findChild<QLineEdit*>("key")->setText("typed");
    editor.findChild<QPushButton*>("cancel")->click();
    QCOMPARE(editor.result(), int{QDialog::Rejected});
    QCOMPARE(editor.Key(), QString("old key"));
  }
};

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  SheetTest sheetTest;
  ItemEditorTest editorTest;
  return QTest::qExec(&sheetTest, argc, argv) | QTest::qExec(&editorTest, argc, argv);
}

#include "sheet_test.moc"
