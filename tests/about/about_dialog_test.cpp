#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <memory>

#include "app/about_dialog.h"
#include "app/hyperlink.h"
#include "recording_services.h"

namespace {

template <typename T>
T* Child(QWidget& dialog, const char* name) {
  T* child = dialog.findChild<T*>(QString::fromUtf8(name));
  if (child == nullptr) qFatal("no child %s", name);
  return child;
}

QStringList LabelTexts(const QWidget& dialog) {
  QStringList texts;
  for (const QLabel* label : dialog.findChildren<QLabel*>()) {
    if (!label->text().isEmpty()) texts << label->text();
  }
  return texts;
}

}  // namespace

class AboutDialogTest : public QObject {
  Q_OBJECT

 private slots:
  void showsItsTextsInOrder() {
    CAboutDlg dialog(m_services);
    QCOMPARE(dialog.windowTitle(), QStringLiteral("About Scrivane Converter v2.0"));
    const QStringList texts = LabelTexts(dialog);
    const QStringList expected{
        "Scrivane Converter v2.0",
        "Powered by Scrivane Technology.",
        "Scrivane is available as standalone converters (such as this one)\n"
        "or as ActiveX DLL for easy integration in any other software packages.",
        "If you're interested in advanced features of Scrivane you may",
        "order an upgrade through our website with 20% discount coupon:",
        "For a list of advanced features or any additional information kindly\nvisit Scrivane web site at:",
    };
    for (const QString& text : expected) QVERIFY2(texts.contains(text), qPrintable(text));
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    int previousTop = -1;
    for (const QString& text : expected) {
      const QLabel* label = nullptr;
      for (const QLabel* candidate : dialog.findChildren<QLabel*>()) {
        if (candidate->text() == text) label = candidate;
      }
      const int top = label->mapTo(&dialog, QPoint(0, 0)).y();
      QVERIFY2(top > previousTop, qPrintable(text));
      previousTop = top;
    }
  }

  void showsTheBannerAndTheBoldLabel() {
    CAboutDlg dialog(m_services);
    QVERIFY(!Child<QLabel>(dialog, "banner")->pixmap().isNull());
    const QFont bold = Child<QLabel>(dialog, "poweredBy")->font();
    QVERIFY(bold.bold());
    QCOMPARE(bold.family(), QStringLiteral("Tahoma"));
    QCOMPARE(bold.pixelSize(), 8 * dialog.logicalDpiY() / 72 + 1);
  }

  void linksAreAlwaysUnderlinedWithTheirTargets() {
    CAboutDlg dialog(m_services);
    const auto* maker = Child<CHyperLink>(dialog, "makerLink");
    const auto* product = Child<CHyperLink>(dialog, "productLink");
    const auto* offer = Child<CHyperLink>(dialog, "offerLink");
    for (const CHyperLink* link : {maker, product, offer}) {
      QVERIFY(link->font().underline());
      QVERIFY(!link->IsVisited());
      QVERIFY(link->LinkUrl().starts_with("https://"));
      QCOMPARE(link->toolTip().toStdString(), link->LinkUrl());
    }
    QCOMPARE(product->text().toStdString(), product->LinkUrl());
    QVERIFY(maker->text().toStdString() != maker->LinkUrl());
    QCOMPARE(offer->text(), QStringLiteral("order an upgrade through our website with 20% discount coupon:"));
    QVERIFY(offer->LinkUrl() != product->LinkUrl() && maker->LinkUrl() != product->LinkUrl());
  }

  void createCouponWorksOnce() {
    CAboutDlg dialog(m_services);
    auto* button = Child<QPushButton>(dialog, "couponButton");
    auto* edit = Child<QLineEdit>(dialog, "couponEdit");
    QCOMPARE(button->text(), QStringLiteral("&Create Coupon"));
    QVERIFY(edit->isReadOnly());
    QVERIFY(edit->text().isEmpty());
    QVERIFY(button->isEnabled());
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));

    QTest::mouseClick(button, Qt::LeftButton);
    const QString code = edit->text();
    QVERIFY(!code.isEmpty());
    QVERIFY(!button->isEnabled());
    edit->clear();
    QTest::mouseClick(button, Qt::LeftButton);
    QVERIFY(edit->text().isEmpty());

    CAboutDlg next(m_services);
    QVERIFY(Child<QLineEdit>(next, "couponEdit")->text().isEmpty());
    QVERIFY(Child<QPushButton>(next, "couponButton")->isEnabled());
  }

  void okIsTheDefaultAndEscapeCloses() {
    CAboutDlg dialog(m_services);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    auto* ok = Child<QPushButton>(dialog, "okButton");
    QVERIFY(ok->isDefault());
    QCOMPARE(ok->text(), QStringLiteral("&OK"));
    QTest::keyClick(&dialog, Qt::Key_Return);
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QVERIFY(!dialog.isVisible());

    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QTest::keyClick(&dialog, Qt::Key_Escape);
    QCOMPARE(dialog.result(), int(QDialog::Rejected));
    QVERIFY(!dialog.isVisible());
  }

 private:
  RecordingServices m_services;
};

QTEST_MAIN(AboutDialogTest)
#include "about_dialog_test.moc"
