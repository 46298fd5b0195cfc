#include <QApplication>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

#include "app/file_filter.h"
#include "app/message_box.h"
#include "app/qt_ui_services.h"
#include "modal_answer.h"
#include "options/ui_services.h"
#include "test_desktop.h"

class QtUiServicesTest : public QObject {
  Q_OBJECT
 private slots:
  void nameFilters_data() {
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("input") << "HTML Files (*.htm;*.html)|*.htm;*.html|All Files (*.*)|*.*||"
                           << QStringList{"HTML Files (*.htm *.html)", "All Files (*)"};
    QTest::newRow("output") << "Web Archive Files (*.mht)|*.mht|All Files (*.*)|*.*||"
                            << QStringList{"Web Archive Files (*.mht)", "All Files (*)"};
    QTest::newRow("description without patterns") << "Text Files|*.txt||" << QStringList{"Text Files (*.txt)"};
    QTest::newRow("blanks around patterns") << "Logs| *.log ; *.txt |" << QStringList{"Logs (*.log *.txt)"};
    QTest::newRow("no terminator") << "Pages (*.htm)|*.htm" << QStringList{"Pages (*.htm)"};
    QTest::newRow("description without its patterns") << "Pages|" << QStringList{};
    QTest::newRow("empty") << "" << QStringList{};
  }
  void nameFilters() {
    QFETCH(QString, filter);
    QFETCH(QStringList, expected);
    QCOMPARE(ToQtNameFilters(filter.toStdString()), expected);
  }

  void messageBoxFromStyle_data() {
    QTest::addColumn<MessageStyle>("style");
    QTest::addColumn<int>("icon");
    QTest::addColumn<int>("buttons");
    QTest::newRow("error") << MessageStyle::kIconError << int{QMessageBox::Critical} << int{QMessageBox::Ok};
    QTest::newRow("close confirmation") << (MessageStyle::kYesNo | MessageStyle::kIconQuestion)
                                        << int{QMessageBox::Question} << int{QMessageBox::Yes | QMessageBox::No};
    QTest::newRow("exclamation") << MessageStyle::kIconExclamation << int{QMessageBox::Warning} << int{QMessageBox::Ok};
    QTest::newRow("information") << MessageStyle::kIconInformation << int{QMessageBox::Information}
                                 << int{QMessageBox::Ok};
    QTest::newRow("plain") << MessageStyle::kOk << int{QMessageBox::NoIcon} << int{QMessageBox::Ok};
  }
  void messageBoxFromStyle() {
    QFETCH(MessageStyle, style);
    QFETCH(int, icon);
    QFETCH(int, buttons);
    const auto box = MakeMessageBox("Line one\n<b>two</b>", style);
    QCOMPARE(box->parent(), nullptr);
    QCOMPARE(box->windowTitle(), QStringLiteral("Scrivane Converter v2.0"));
    QCOMPARE(box->text(), QStringLiteral("Line one\n<b>two</b>"));
    QCOMPARE(box->textFormat(), Qt::PlainText);
    QCOMPARE(int{box->icon()}, icon);
    QCOMPARE(int{box->standardButtons()}, buttons);
  }

  void answers() {
    QCOMPARE(MessageAnswerFor(QMessageBox::Ok), MessageAnswer::kOk);
    QCOMPARE(MessageAnswerFor(QMessageBox::Yes), MessageAnswer::kYes);
    QCOMPARE(MessageAnswerFor(QMessageBox::No), MessageAnswer::kNo);
    QCOMPARE(MessageAnswerFor(QMessageBox::Cancel), MessageAnswer::kCancel);
  }

  // Escape on a Yes/No box means No, as closing the confirmation must not close the program.
  void showMessageReturnsTheButtonPressed() {
    QtUiServices services;
    AnswerNextModal<QMessageBox>([](QMessageBox& box) { box.button(QMessageBox::Yes)->click(); });
    QCOMPARE(services.ShowMessage("Close?", MessageStyle::kYesNo | MessageStyle::kIconQuestion), MessageAnswer::kYes);
    AnswerNextModal<QMessageBox>([](QMessageBox& box) { QTest::keyClick(&box, Qt::Key_Escape); });
    QCOMPARE(services.ShowMessage("Close?", MessageStyle::kYesNo | MessageStyle::kIconQuestion), MessageAnswer::kNo);
    AnswerNextModal<QMessageBox>([](QMessageBox& box) { QTest::keyClick(&box, Qt::Key_Escape); });
    QCOMPARE(services.ShowMessage("Done", MessageStyle::kIconInformation), MessageAnswer::kOk);
  }

  void detailsAreTheBoxsDetailedText() {
    QtUiServices services;
    QString text, details;
    AnswerNextModal<QMessageBox>([&](QMessageBox& box) {
      text = box.text();
      details = box.detailedText();
      QTest::keyClick(&box, Qt::Key_Escape);
    });
    QCOMPARE(services.ShowDetailedMessage("Done\n\n1 file was left out.", MessageStyle::kIconInformation,
                                          "Failed to add resource body part: /a.gif: No such file or directory"),
             MessageAnswer::kOk);
    QCOMPARE(text, QStringLiteral("Done\n\n1 file was left out."));
    QCOMPARE(details, QStringLiteral("Failed to add resource body part: /a.gif: No such file or directory"));
  }

  void shellFailureIsTheFrameworkWarning() {
    QApplication::setApplicationName(QStringLiteral("scrivane-converter"));
    QtUiServices services;
    QString caption, text;
    int icon = -1;
    AnswerNextModal<QMessageBox>([&](QMessageBox& box) {
      caption = box.windowTitle();
      text = box.text();
      icon = box.icon();
      box.accept();
    });
    services.ShowShellFailure("Cannot open the file at:\n\n/tmp/x.html");
    QCOMPARE(caption, QStringLiteral("scrivane-converter"));
    QCOMPARE(text, QStringLiteral("Cannot open the file at:\n\n/tmp/x.html"));
    QCOMPARE(icon, int{QMessageBox::Warning});
  }

  void openPathRefusesAMissingFile() {
    QTemporaryDir folder;
    QtUiServices services;
    QVERIFY(!services.OpenPath((folder.path() + QStringLiteral("/missing.html")).toStdString()));
  }

  // A file counts as opened only when the desktop's handler for it started.
  void openPathTellsFailureFromSuccess() {
    TestDesktop desktop;
    QtUiServices services;
    const QString page = desktop.Path("page.html");
    TestDesktop::Write(page, "<p>");
    QVERIFY(!services.OpenPath(page.toStdString()));
    desktop.Associate("text/html", "browser.desktop");
    desktop.AddEntry("browser.desktop", desktop.Path("no-such-browser").toUtf8() + " %u");
    QVERIFY(!services.OpenPath(page.toStdString()));
    desktop.AddEntry("browser.desktop", desktop.AddRecordingHandler("browser").toUtf8() + " %u");
    QVERIFY(services.OpenPath(page.toStdString()));
    QCOMPARE(TestDesktop::Arguments(desktop.Path("browser")), page.toUtf8() + "\n");
  }

  // The output archive is chosen with this dialog too, before it exists.
  void chooseOpenFileAcceptsANewName() {
    QTemporaryDir folder;
    const QString newFile = folder.path() + QStringLiteral("/new.mht");
    QtUiServices services;
    QStringList filters;
    AnswerNextModal<QFileDialog>([&](QFileDialog& dialog) {
      filters = dialog.nameFilters();
      // Typed, as a user does: QFileDialog::selectFile leaves the name field
      // alone while it has the focus, which a shown dialog may give it.
      dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(newFile);
      static_cast<QDialog&>(dialog).accept();
    });
    const auto chosen = services.ChooseOpenFile("Web Archive Files (*.mht)|*.mht|All Files (*.*)|*.*||");
    QCOMPARE(filters, (QStringList{"Web Archive Files (*.mht)", "All Files (*)"}));
    QVERIFY(chosen.has_value());
    QCOMPARE(QString::fromStdString(*chosen), newFile);
  }

  // A save dialog in the folder given, the name proposed, the archive filters
  // and ".mht" added to a name typed without it; an existing file is
  // replaced only after the question is answered Yes.
  void chooseSaveFile() {
    QTemporaryDir folder;
    TestDesktop::Write(folder.filePath(QStringLiteral("old.mht")), "earlier");
    QtUiServices services;
    QString title, accept, suffix, replaceQuestion;
    QStringList filters, proposed;
    bool confirms = false;
    AnswerNextModal<QFileDialog>([&](QFileDialog& dialog) {
      title = dialog.windowTitle();
      accept = dialog.labelText(QFileDialog::Accept);
      filters = dialog.nameFilters();
      suffix = dialog.defaultSuffix();
      confirms =
          dialog.acceptMode() == QFileDialog::AcceptSave && !dialog.testOption(QFileDialog::DontConfirmOverwrite);
      proposed = dialog.selectedFiles();
      static_cast<QDialog&>(dialog).reject();
    });
    SaveFileQuestion question{"Web Archive Files (*.mht;*.mhtml)|*.mht;*.mhtml|All Files (*.*)|*.*||",
                              folder.path().toStdString(), "page.mht"};
    QVERIFY(!services.ChooseSaveFile(question).has_value());
    QCOMPARE(title, QStringLiteral("Save"));
    QCOMPARE(accept.remove(u'&'), QStringLiteral("Save"));
    QCOMPARE(filters, (QStringList{"Web Archive Files (*.mht *.mhtml)", "All Files (*)"}));
    QCOMPARE(suffix, QStringLiteral("mht"));
    QVERIFY(confirms);
    QCOMPARE(proposed, QStringList{folder.filePath(QStringLiteral("page.mht"))});

    AnswerNextModal<QFileDialog>([&](QFileDialog& dialog) {
      AnswerNextModal<QMessageBox>([&](QMessageBox& box) {
        replaceQuestion = box.text();
        box.button(QMessageBox::Yes)->click();
      });
      dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(QStringLiteral("old"));
      static_cast<QDialog&>(dialog).accept();
    });
    const auto chosen = services.ChooseSaveFile(question);
    QVERIFY(replaceQuestion.contains(QStringLiteral("old.mht")));
    QCOMPARE(chosen.value_or(std::string()), folder.filePath(QStringLiteral("old.mht")).toStdString());
  }

  void chooseOpenFileCancelled() {
    QtUiServices services;
    AnswerNextModal<QFileDialog>([](QFileDialog& dialog) { static_cast<QDialog&>(dialog).reject(); });
    QVERIFY(!services.ChooseOpenFile("All Files (*.*)|*.*||").has_value());
  }
};

QTEST_MAIN(QtUiServicesTest)
#include "qt_ui_services_test.moc"
