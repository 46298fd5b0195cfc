#include <QApplication>
#include <QImage>
#include <QMouseEvent>
#include <QTest>

#include <deque>
#include <string>
#include <vector>

#include "app/hyperlink.h"
#include "recording_services.h"
#include "test_desktop.h"

namespace {

const QColor kLinkColour(0, 0, 238);
const QColor kVisitedColour(85, 26, 139);
const QColor kHoverColour(255, 0, 0);

// Stands in for the browser and the pointer: records every target opened,
// answers with the queued results and reports the pointer where the test put it.
struct FakeDesktop {
  std::deque<int> results;
  std::vector<std::string> opened;
  QPoint pointer;
  int pointerReads = 0;

  LinkDesktop Desktop() {
    return {[this](const std::string& target) {
              opened.push_back(target);
              const int result = results.front();
              results.pop_front();
              return result;
            },
            [this] {
              ++pointerReads;
              return pointer;
            }};
  }
};

QColor TextColour(const CHyperLink& link) { return link.palette().color(QPalette::WindowText); }

// A mouse move as the window system delivers it, without moving the pointer.
void MoveMouseOver(CHyperLink& link) {
  const QPoint centre = link.rect().center();
  QMouseEvent move(QEvent::MouseMove, centre, link.mapToGlobal(centre), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
  QApplication::sendEvent(&link, &move);
}

QPoint Inside(const CHyperLink& link) { return link.mapToGlobal(link.rect().center()); }
QPoint Outside(const CHyperLink& link) { return link.mapToGlobal(link.rect().bottomRight() + QPoint(5, 5)); }

bool Paints(CHyperLink& link, const QColor& colour) {
  const QImage image = link.grab().toImage();
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      if (image.pixelColor(x, y) == colour) return true;
    }
  }
  return false;
}

}  // namespace

class HyperlinkTest : public QObject {
  Q_OBJECT

 private slots:
  void attachGivesAnEmptyTextTheTarget() {
    CHyperLink link(m_services, &m_host);
    link.SetLinkUrl("https://www.example.com/");
    QCOMPARE(link.text(), QString());
    link.Attach();
    QCOMPARE(link.text(), QStringLiteral("https://www.example.com/"));
    QCOMPARE(link.toolTip(), QStringLiteral("https://www.example.com/"));
  }

  void attachGivesAnEmptyTargetTheText() {
    CHyperLink link(m_services, &m_host);
    link.setText(QStringLiteral("https://www.example.com/a"));
    link.Attach();
    QCOMPARE(link.LinkUrl(), std::string("https://www.example.com/a"));
    QCOMPARE(link.toolTip(), QStringLiteral("https://www.example.com/a"));
  }

  void targetAfterAttachKeepsTheText() {
    CHyperLink link(m_services, &m_host);
    link.setText(QStringLiteral("by Korvath Software"));
    link.Attach();
    link.SetLinkUrl("https://www.example.com/");
    QCOMPARE(link.text(), QStringLiteral("by Korvath Software"));
    QCOMPARE(link.LinkUrl(), std::string("https://www.example.com/"));
    QCOMPARE(link.toolTip(), QStringLiteral("https://www.example.com/"));
  }

  void attachedLinkLooksLikeALink() {
    CHyperLink link(m_services, &m_host);
    link.setText(QStringLiteral("<b>not rich text</b>"));
    link.Attach();
    QCOMPARE(link.cursor().shape(), Qt::PointingHandCursor);
    QCOMPARE(link.textFormat(), Qt::PlainText);
    QCOMPARE(TextColour(link), kLinkColour);
  }

  // The label keeps the edge its text is aligned to, or its centre, and
  // shrinks to the text's width and height.
  void fitsToItsText_data() {
    QTest::addColumn<int>("alignment");
    QTest::newRow("left, top") << int(Qt::AlignLeft | Qt::AlignTop);
    QTest::newRow("right, vertical centre") << int(Qt::AlignRight | Qt::AlignVCenter);
    QTest::newRow("centre, vertical centre") << int(Qt::AlignHCenter | Qt::AlignVCenter);
    QTest::newRow("centre, bottom") << int(Qt::AlignHCenter | Qt::AlignBottom);
  }
  void fitsToItsText() {
    QFETCH(int, alignment);
    CHyperLink link(m_services, &m_host);
    link.setText(QStringLiteral("order an upgrade"));
    link.setAlignment(Qt::Alignment(alignment));
    const QRect before(100, 50, 301, 41);
    link.setGeometry(before);
    link.Attach();
    const QRect after = link.geometry();
    const QSize text = QFontMetrics(link.font()).size(0, link.text());
    QVERIFY2(after.width() - text.width() == 0 || after.width() - text.width() == 1,
             qPrintable(QString::number(after.width())));
    QVERIFY(after.height() - text.height() == 0 || after.height() - text.height() == 1);
    if (alignment & Qt::AlignHCenter)
      QVERIFY(qAbs(after.center().x() - before.center().x()) <= 1);
    else if (alignment & Qt::AlignRight)
      QCOMPARE(after.right(), before.right());
    else
      QCOMPARE(after.left(), before.left());
    if (alignment & Qt::AlignVCenter)
      QVERIFY(qAbs(after.center().y() - before.center().y()) <= 1);
    else
      QCOMPARE(after.top(), before.top());
  }

  void coloursFollowTheState() {
    FakeDesktop desktop;
    desktop.results = {LinkResult::kOpened};
    CHyperLink link(m_services, &m_host, desktop.Desktop());
    link.setText(QStringLiteral("https://www.example.com/"));
    link.Attach();
    link.SetUnderlineMode(CHyperLink::UnderlineAlways);
    QCOMPARE(TextColour(link), kLinkColour);
    QVERIFY(Paints(link, kLinkColour));

    desktop.pointer = Inside(link);
    MoveMouseOver(link);
    QVERIFY(link.IsHovering());
    QCOMPARE(TextColour(link), kHoverColour);
    QVERIFY(Paints(link, kHoverColour));

    QTest::mouseClick(&link, Qt::LeftButton);
    QCOMPARE(desktop.opened, std::vector<std::string>{"https://www.example.com/"});
    QVERIFY(!link.IsHovering());
    QVERIFY(link.IsVisited());
    QCOMPARE(TextColour(link), kVisitedColour);
    QVERIFY(Paints(link, kVisitedColour));
    QVERIFY(m_services.shellFailures.empty());
  }

  void underlinePerMode_data() {
    QTest::addColumn<int>("mode");
    QTest::addColumn<bool>("before");
    QTest::addColumn<bool>("hovering");
    QTest::addColumn<bool>("after");
    QTest::newRow("never") << int(CHyperLink::UnderlineNever) << false << false << false;
    QTest::newRow("always") << int(CHyperLink::UnderlineAlways) << true << true << true;
    QTest::newRow("on hover") << int(CHyperLink::UnderlineOnHover) << false << true << false;
    QTest::newRow("unknown value behaves as never") << 5 << false << false << false;
  }
  void underlinePerMode() {
    QFETCH(int, mode);
    QFETCH(bool, before);
    QFETCH(bool, hovering);
    QFETCH(bool, after);
    FakeDesktop desktop;
    CHyperLink link(m_services, &m_host, desktop.Desktop());
    link.setText(QStringLiteral("link"));
    link.Attach();
    link.SetUnderlineMode(CHyperLink::UnderlineMode(mode));
    QCOMPARE(link.font().underline(), before);

    desktop.pointer = Inside(link);
    MoveMouseOver(link);
    QCOMPARE(link.font().underline(), hovering);

    desktop.pointer = Outside(link);
    QTRY_VERIFY(!link.IsHovering());
    QCOMPARE(link.font().underline(), after);
  }

  void underlineModeSetBeforeAttachHolds() {
    CHyperLink link(m_services, &m_host);
    link.setText(QStringLiteral("link"));
    link.SetUnderlineMode(CHyperLink::UnderlineAlways);
    QVERIFY(!link.font().underline());
    link.Attach();
    QVERIFY(link.font().underline());
  }

  // No mouse event follows the pointer off the link: only the poll notices.
  void hoverEndsByPolling() {
    FakeDesktop desktop;
    CHyperLink link(m_services, &m_host, desktop.Desktop());
    link.setText(QStringLiteral("link"));
    link.Attach();
    desktop.pointer = Inside(link);
    MoveMouseOver(link);
    QTRY_VERIFY(desktop.pointerReads >= 2);
    QVERIFY(link.IsHovering());
    QCOMPARE(TextColour(link), kHoverColour);

    desktop.pointer = Outside(link);
    QTRY_VERIFY_WITH_TIMEOUT(!link.IsHovering(), 200);
    QCOMPARE(TextColour(link), kLinkColour);
  }

  void failedOpenAfterSuccessClearsVisited() {
    FakeDesktop desktop;
    desktop.results = {LinkResult::kOpened, LinkResult::kFileNotFound};
    CHyperLink link(m_services, &m_host, desktop.Desktop());
    link.setText(QStringLiteral("https://www.example.com/"));
    link.Attach();
    QTest::mouseClick(&link, Qt::LeftButton);
    QVERIFY(link.IsVisited());
    QTest::mouseClick(&link, Qt::LeftButton);
    QVERIFY(!link.IsVisited());
    QCOMPARE(TextColour(link), kLinkColour);
    QCOMPARE(m_services.shellFailures,
             std::vector<std::string>{"Unable to open hyperlink:\n\nThe specified file was not found."});
  }

  void failureMessages_data() {
    QTest::addColumn<int>("result");
    QTest::addColumn<QString>("message");
    QTest::newRow("sharing violation keeps its trailing blank") << 26 << "A sharing violation occurred. ";
    QTest::newRow("code not in the table") << 4 << "Unknown Error (4) occurred.";
    QTest::newRow("negative code") << -7 << "Unknown Error (-7) occurred.";
    QTest::newRow("zero") << 0 << "The operating system is out\nof memory or resources.";
    QTest::newRow("no association") << 31 << "There is no application associated\nwith the given filename extension.";
    QTest::newRow("32 is still a failure") << 32 << "The specified dynamic-link library was not found.";
  }
  void failureMessages() {
    QFETCH(int, result);
    QFETCH(QString, message);
    FakeDesktop desktop;
    desktop.results = {result};
    CHyperLink link(m_services, &m_host, desktop.Desktop());
    link.setText(QStringLiteral("https://www.example.com/"));
    link.Attach();
    QTest::mouseClick(&link, Qt::LeftButton);
    QVERIFY(!link.IsVisited());
    QCOMPARE(m_services.shellFailures,
             std::vector<std::string>{"Unable to open hyperlink:\n\n" + message.toStdString()});
  }

  // The desktop's own opener: a link counts as visited only when its handler
  // started; no handler, or one that cannot start, is reported.
  void desktopOpenerTellsFailureFromSuccess_data() {
    QTest::addColumn<QByteArray>("browserExec");
    QTest::addColumn<bool>("visited");
    QTest::addColumn<QString>("message");
    QTest::newRow("no handler") << QByteArray() << false
                                << "There is no application associated\nwith the given filename extension.";
    QTest::newRow("handler cannot start")
        << QByteArray("{dir}/no-such-browser %u") << false << "The specified file was not found.";
    QTest::newRow("handler started") << QByteArray("{dir}/browser %u") << true << "";
  }
  void desktopOpenerTellsFailureFromSuccess() {
    QFETCH(QByteArray, browserExec);
    QFETCH(bool, visited);
    QFETCH(QString, message);
    TestDesktop desktop;
    desktop.AddRecordingHandler("browser");
    if (!browserExec.isEmpty()) {
      desktop.Associate("x-scheme-handler/https", "browser.desktop");
      desktop.AddEntry("browser.desktop", browserExec.replace("{dir}", desktop.Path("").toUtf8()));
    }
    CHyperLink link(m_services, &m_host);
    link.setText(QStringLiteral("https://www.example.com/scrivane/"));
    link.Attach();
    QTest::mouseClick(&link, Qt::LeftButton);
    QCOMPARE(link.IsVisited(), visited);
    if (visited) {
      QVERIFY(m_services.shellFailures.empty());
      QCOMPARE(TestDesktop::Arguments(desktop.Path("browser")), QByteArray("https://www.example.com/scrivane/\n"));
    } else {
      QCOMPARE(m_services.shellFailures,
               std::vector<std::string>{"Unable to open hyperlink:\n\n" + message.toStdString()});
    }
  }

  void init() { m_services.shellFailures.clear(); }

 private:
  RecordingServices m_services;
  QWidget m_host;
};

QTEST_MAIN(HyperlinkTest)
#include "hyperlink_test.moc"
