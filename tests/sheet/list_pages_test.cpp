#include <QHeaderView>
#include <QKeyEvent>
#include <QTest>

#include "archive/mime_archive.h"
#include "engine/converter.h"
#include "options/string_table.h"
#include "options/ui_services.h"
#include "sheet_test_support.h"

using namespace sheet_test;

Q_DECLARE_METATYPE(Rows)

class ListPagesTest : public QObject {
  Q_OBJECT

 private:
  RecordingServices services;
  std::vector<EditorSeen> seen;

  void ExpectDuplicateMessage(std::size_t count) {
    QCOMPARE(services.messages.size(), count);
    for (const auto& message : services.messages) {
      QCOMPARE(message.text, std::string(LoadStringResource(StringId::kDuplicateKey)));
      QCOMPARE(message.style, MessageStyle::kIconExclamation);
    }
  }

 private slots:
  void init() {
    services = RecordingServices();
    seen.clear();
    ConvertOptions::Instance().ResetToDefaults();
    ConvertOptions::Instance().SetServices(&services);
  }

  void defaultsShownInTableOrder_data() {
    QTest::addColumn<int>("page");
    QTest::addColumn<Rows>("rows");
    QTest::addColumn<QStringList>("headers");
    QTest::addColumn<QString>("note");
    QTest::newRow("resources") << int{kResources} << Rows{{"body", "background"}, {"link", "href"}}
                               << QStringList{"Tag", "Attribute"}
                               << "Tags that appear in this list will be scanned by Scrivane Converter.\n"
                                  "Attached content files will be added to the yielded web archive.";
    QTest::newRow("scripts") << int{kScripts}
                             << Rows{{"htm", "HTML file"},
                                     {"html", "HTML file"},
                                     {"js", "Java Script file"},
                                     {"vbs", "VB Script file"}}
                             << QStringList{"Extension", "Description"}
                             << "Only script files that appear in this list will be detected and processed\n"
                                "by Scrivane Converter. You may add new or change exising ones.\n"
                                "Description text is optional.";
    QTest::newRow("mime") << int{kMime} << Rows{{"bmp", "image/bmp"},  {"css", "text/css"},
                                                {"gif", "image/gif"},  {"htm", "text/html"},
                                                {"html", "text/html"}, {"jpeg", "image/jpeg"},
                                                {"jpg", "image/jpeg"}, {"js", "application/x-javascript"},
                                                {"shtml", "text/html"}}
                          << QStringList{"Extension", "Type"}
                          << "Only MIME types that appear in this list will be detected and processed\n"
                             "by Scrivane Converter. You may add new or change exising ones.";
  }
  void defaultsShownInTableOrder() {
    QFETCH(int, page);
    QFETCH(Rows, rows);
    QFETCH(QStringList, headers);
    QFETCH(QString, note);
    CMySheet sheet(services);
    QTreeWidget* list = List(sheet, page);
    QCOMPARE(ListRows(list), rows);
    QCOMPARE(list->headerItem()->text(0), headers[0]);
    QCOMPARE(list->headerItem()->text(1), headers[1]);
    QCOMPARE(list->columnWidth(0), 140);
    QCOMPARE(list->columnWidth(1), list->width() - 144);
    QCOMPARE(Control<QLabel>(Page(sheet, page), "note")->text(), note);
    QVERIFY(services.messages.empty());
  }

  void editorShowsThePagesTexts_data() {
    QTest::addColumn<int>("page");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("keyLabel");
    QTest::addColumn<QString>("valueLabel");
    QTest::newRow("resources") << int{kResources} << "Add / Modify Resource"
                               << "Tag name:"
                               << "Attribute name:";
    QTest::newRow("scripts") << int{kScripts} << "Add / Modify Script"
                             << "Extension:"
                             << "Description:";
    QTest::newRow("mime") << int{kMime} << "Add / Modify MIME Type"
                          << "Extension:"
                          << "MIME type:";
  }
  void editorShowsThePagesTexts() {
    QFETCH(int, page);
    QFETCH(QString, caption);
    QFETCH(QString, keyLabel);
    QFETCH(QString, valueLabel);
    CMySheet sheet(services);
    AnswerEditor(services, seen, "new", "value");
    Button(sheet, page, "add")->click();
    QCOMPARE(seen.size(), std::size_t{1});
    QCOMPARE(seen[0].caption, caption);
    QCOMPARE(seen[0].keyLabel, keyLabel);
    QCOMPARE(seen[0].valueLabel, valueLabel);
    QVERIFY(seen[0].key.isEmpty() && seen[0].value.isEmpty());
    QCOMPARE(ListRows(List(sheet, page)).back(), std::make_pair(QString("new"), QString("value")));
  }

  void addingUpperCaseOfListedKeyShowsMessageAndAddsNothing() {
    CMySheet sheet(services);
    AnswerEditor(services, seen, "JS", "text/javascript");
    Button(sheet, kMime, "add")->click();
    ExpectDuplicateMessage(1);
    QCOMPARE(ListRows(List(sheet, kMime)), TableRows(CMimeArchive::DefaultMimeTypes()));
  }

  void addedRowGoesToTheEndAndOkStoresIt() {
    CMySheet sheet(services);
    AnswerEditor(services, seen, "a", "href");
    Button(sheet, kResources, "add")->click();
    QCOMPARE(ListRows(List(sheet, kResources)), (Rows{{"body", "background"}, {"link", "href"}, {"a", "href"}}));
    sheet.accept();
    QCOMPARE(ConvertOptions::Instance().resourceTags,
             (ResourceTagTable{{"a", "href"}, {"body", "background"}, {"link", "href"}}));
  }

  void emptyKeyAcceptedOnceThenRefused() {
    CMySheet sheet(services);
    AnswerEditor(services, seen, "", "");
    Button(sheet, kScripts, "add")->click();
    QVERIFY(services.messages.empty());
    Button(sheet, kScripts, "add")->click();
    ExpectDuplicateMessage(1);
    QCOMPARE(List(sheet, kScripts)->topLevelItemCount(), 5);
    sheet.accept();
    QCOMPARE(ConvertOptions::Instance().scriptExtensions.at(""), std::string());
  }

  void cancelledEditorChangesNothing() {
    CMySheet sheet(services);
    services.dialogHandler = [](QDialog& dialog) {
      dialog.findChild<QLineEdit*>(QStringLiteral("key"))->setText("typed");
      dialog.findChild<QPushButton*>(QStringLiteral("cancel"))->click();
      return dialog.result();
    };
    Button(sheet, kResources, "add")->click();
    ClickRow(List(sheet, kResources), 0);
    Button(sheet, kResources, "modify")->click();
    QCOMPARE(ListRows(List(sheet, kResources)), TableRows(CConverter::DefaultResourceTags()));
  }

  void modifyMakesDuplicatesSilentlyAndOkCollapsesThem() {
    CMySheet sheet(services);
    sheet.show();
    QTreeWidget* list = List(sheet, kMime);
    Tabs(sheet)->setCurrentIndex(kMime);
    ClickRow(list, 1);  // css
    AnswerEditor(services, seen, "bmp", "image/lower-row");
    Button(sheet, kMime, "modify")->click();
    ClickRow(list, 2);  // gif
    AnswerEditor(services, seen, "BMP", "image/upper");
    Button(sheet, kMime, "modify")->click();
    QVERIFY(services.messages.empty());
    QCOMPARE(seen.size(), std::size_t{2});
    QCOMPARE(seen[0].key, QString("css"));
    QCOMPARE(seen[0].value, QString("text/css"));
    QCOMPARE(ListRows(list)[1], std::make_pair(QString("bmp"), QString("image/lower-row")));

    sheet.accept();
    MimeTypeTable expected = CMimeArchive::DefaultMimeTypes();
    expected.erase("css");
    expected.erase("gif");
    expected["bmp"] = "image/lower-row";
    expected["BMP"] = "image/upper";
    QCOMPARE(ConvertOptions::Instance().mimeTypes, expected);
  }

  void doubleClickModifiesTheClickedRow() {
    CMySheet sheet(services);
    sheet.show();
    QTreeWidget* list = List(sheet, kResources);
    AnswerEditor(services, seen, "link", "rel");
    DoubleClickRow(list, 1);
    QCOMPARE(seen.size(), std::size_t{1});
    QCOMPARE(seen[0].key, QString("link"));
    QCOMPARE(ListRows(list), (Rows{{"body", "background"}, {"link", "rel"}}));
  }

  void modifyFollowsWhereTheSelectionStarted() {
    CMySheet sheet(services);
    sheet.show();
    QTreeWidget* list = List(sheet, kScripts);
    Tabs(sheet)->setCurrentIndex(kScripts);
    ClickRow(list, 2);
    ClickRow(list, 0, Qt::ControlModifier);
    ClickRow(list, 0, Qt::ControlModifier);  // back to one selected row; the mark stays on row 0
    QCOMPARE(list->selectedItems().size(), 1);
    AnswerEditor(services, seen, "mjs", "module");
    Button(sheet, kScripts, "modify")->click();
    QCOMPARE(seen.at(0).key, QString("htm"));
    QCOMPARE(ListRows(list).at(0), std::make_pair(QString("mjs"), QString("module")));
  }

  void deleteRemovesEverySelectedRow() {
    CMySheet sheet(services);
    sheet.show();
    Tabs(sheet)->setCurrentIndex(kMime);
    QTreeWidget* list = List(sheet, kMime);
    ClickRow(list, 0);
    ClickRow(list, 4, Qt::ControlModifier);
    ClickRow(list, 8, Qt::ControlModifier);
    QCOMPARE(list->selectedItems().size(), 3);
    Button(sheet, kMime, "delete")->click();
    QCOMPARE(ListRows(list), (Rows{{"css", "text/css"},
                                   {"gif", "image/gif"},
                                   {"htm", "text/html"},
                                   {"jpeg", "image/jpeg"},
                                   {"jpg", "image/jpeg"},
                                   {"js", "application/x-javascript"}}));
    QVERIFY(services.messages.empty());
    sheet.accept();
    QCOMPARE(TableRows(ConvertOptions::Instance().mimeTypes), ListRows(list));
  }

  void deletingEveryRowEmptiesTheTable() {
    CMySheet sheet(services);
    sheet.show();
    QTreeWidget* list = List(sheet, kResources);
    list->selectAll();
    Button(sheet, kResources, "delete")->click();
    QCOMPARE(list->topLevelItemCount(), 0);
    sheet.accept();
    QVERIFY(ConvertOptions::Instance().resourceTags.empty());
  }

  void buttonsFollowTheSelection() {
    CMySheet sheet(services);
    sheet.show();
    QTreeWidget* list = List(sheet, kResources);
    QPushButton* add = Button(sheet, kResources, "add");
    QPushButton* modify = Button(sheet, kResources, "modify");
    QPushButton* remove = Button(sheet, kResources, "delete");
    auto state = [&] { return std::vector<bool>{add->isEnabled(), modify->isEnabled(), remove->isEnabled()}; };
    QCOMPARE(state(), (std::vector<bool>{true, false, false}));
    ClickRow(list, 0);
    QCOMPARE(state(), (std::vector<bool>{true, true, true}));
    ClickRow(list, 1, Qt::ControlModifier);
    QCOMPARE(state(), (std::vector<bool>{true, false, true}));
    remove->click();
    QCOMPARE(state(), (std::vector<bool>{true, false, false}));
  }

  void headerClicksLeaveTheRowsAlone() {
    CMySheet sheet(services);
    sheet.show();
    Tabs(sheet)->setCurrentIndex(kScripts);
    QTreeWidget* list = List(sheet, kScripts);
    QHeaderView* header = list->header();
    const QPoint keyHeader(header->sectionViewportPosition(0) + 5, header->height() / 2);
    for (int click = 0; click < 2; ++click) QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, keyHeader);
    QCOMPARE(ListRows(list), TableRows(CConverter::DefaultScriptExtensions()));
  }

  void caseOnlyDifferentKeysAreLeftOutAtOpening() {
    ConvertOptions::Instance().mimeTypes = {{"JS", "upper"}, {"Js", "mixed"}, {"js", "lower"}};
    {
      CMySheet sheet(services);
      ExpectDuplicateMessage(2);
      QCOMPARE(ListRows(List(sheet, kMime)), (Rows{{"JS", "upper"}}));
      sheet.reject();
    }
    QCOMPARE(ConvertOptions::Instance().mimeTypes.size(), std::size_t{3});
    CMySheet sheet(services);
    sheet.accept();
    QCOMPARE(ConvertOptions::Instance().mimeTypes, (MimeTypeTable{{"JS", "upper"}}));
  }

  void helpKeyOpensHelpAndIsHandedOn() {
    CMySheet sheet(services);
    sheet.show();
    HelpKeyWatcher watcher;
    sheet.installEventFilter(&watcher);
    // The key goes where the focus is, as a keyboard sends it.
    List(sheet, kResources)->setFocus();
    QTest::keyClick(List(sheet, kResources), Qt::Key_F1);
    QCOMPARE(services.openedPaths, std::vector<std::string>{ConvertOptions::HelpFilePath()});
    QCOMPARE(watcher.helpKeys, 1);
  }
};

QTEST_MAIN(ListPagesTest)
#include "list_pages_test.moc"
