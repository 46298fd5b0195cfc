#include "app/hyperlink.h"

#include <QApplication>
#include <QEnterEvent>
#include <QFontMetrics>
#include <QLayout>
#include <QMouseEvent>

#include "options/ui_services.h"

namespace {

constexpr int kHoverPollMs = 100;

// Keeps the edge the text is aligned to (or its centre) where it is.
QRect FittedRect(const QRect& current, const QSize& needed, Qt::Alignment alignment) {
  QRect fitted = current;
  if (alignment & Qt::AlignVCenter) {
    const int inward = (current.height() - needed.height()) / 2;
    fitted.setTop(current.top() + inward);
    fitted.setBottom(current.bottom() - inward);
  } else {
    fitted.setHeight(needed.height());
  }
  if (alignment & Qt::AlignHCenter) {
    const int inward = (current.width() - needed.width()) / 2;
    fitted.setLeft(current.left() + inward);
    fitted.setRight(current.right() - inward);
  } else if (alignment & Qt::AlignRight) {
    fitted.setLeft(current.left() + current.width() - needed.width());
  } else {
    fitted.setWidth(needed.width());
  }
  return fitted;
}

// Inside a layout the same edges are kept by aligning the label in its cell.
Qt::Alignment CellAlignment(Qt::Alignment alignment) {
  const Qt::Alignment horizontal = (alignment & Qt::AlignHCenter) ? Qt::AlignHCenter
                                   : (alignment & Qt::AlignRight) ? Qt::AlignRight
                                                                  : Qt::AlignLeft;
  return horizontal | ((alignment & Qt::AlignVCenter) ? Qt::AlignVCenter : Qt::AlignTop);
}

QLayout* LayoutHolding(QLayout* layout, QWidget* widget) {
  if (layout == nullptr || layout->indexOf(widget) >= 0) return layout;
  for (int i = 0; i < layout->count(); ++i) {
    if (QLayout* holder = LayoutHolding(layout->itemAt(i)->layout(), widget)) return holder;
  }
  return nullptr;
}

}  // namespace

CHyperLink::CHyperLink(UiServices& services, QWidget* parent, LinkDesktop desktop)
    : QLabel(parent), m_services(services), m_desktop(std::move(desktop)) {
  setTextFormat(Qt::PlainText);
  m_hoverPoll.setInterval(kHoverPollMs);
  connect(&m_hoverPoll, &QTimer::timeout, this, &CHyperLink::PollHover);
}

void CHyperLink::Attach() {
  if (m_url.empty()) m_url = text().toStdString();
  if (text().isEmpty()) setText(QString::fromStdString(m_url));
  m_normalFont = font();
  m_underlineFont = font();
  m_underlineFont.setUnderline(true);
  m_attached = true;
  setFont(m_underlineMode == UnderlineAlways ? m_underlineFont : m_normalFont);
  FitToText();
  setCursor(Qt::PointingHandCursor);
  setMouseTracking(true);
  setToolTip(QString::fromStdString(m_url));
  ShowStateColour();
}

void CHyperLink::SetLinkUrl(const std::string& url) {
  m_url = url;
  if (!m_attached) return;
  FitToText();
  setToolTip(QString::fromStdString(m_url));
}

void CHyperLink::SetUnderlineMode(UnderlineMode mode) {
  if (mode == m_underlineMode) return;
  if (m_attached) setFont(mode == UnderlineAlways ? m_underlineFont : m_normalFont);
  m_underlineMode = mode;
}

void CHyperLink::MarkVisited(bool visited) {
  m_visited = visited;
  if (m_attached) ShowStateColour();
}

void CHyperLink::enterEvent(QEnterEvent* event) {
  StartHover();
  QLabel::enterEvent(event);
}

void CHyperLink::mouseMoveEvent(QMouseEvent* event) {
  StartHover();
  QLabel::mouseMoveEvent(event);
}

// Taking the press keeps the release, which opens the link, on this label.
void CHyperLink::mousePressEvent(QMouseEvent* event) {
  if (m_attached && event->button() == Qt::LeftButton) {
    event->accept();
    return;
  }
  QLabel::mousePressEvent(event);
}

void CHyperLink::mouseReleaseEvent(QMouseEvent* event) {
  if (m_attached && event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) {
    OpenTarget();
    return;
  }
  QLabel::mouseReleaseEvent(event);
}

void CHyperLink::FitToText() {
  const QSize frame = size() - contentsRect().size();
  const QSize needed = QFontMetrics(m_underlineFont).size(0, text()) + frame;
  const QRect fitted = FittedRect(geometry(), needed, alignment());
  setFixedSize(fitted.size());
  move(fitted.topLeft());
  if (QLayout* holder = LayoutHolding(parentWidget() ? parentWidget()->layout() : nullptr, this)) {
    holder->setAlignment(this, CellAlignment(alignment()));
  }
}

void CHyperLink::StartHover() {
  if (!m_attached || m_hovering) return;
  m_hovering = true;
  if (m_underlineMode == UnderlineOnHover) setFont(m_underlineFont);
  ShowStateColour();
  m_hoverPoll.start();
}

void CHyperLink::PollHover() {
  if (rect().contains(mapFromGlobal(m_desktop.pointerPosition()))) return;
  m_hovering = false;
  m_hoverPoll.stop();
  if (m_underlineMode != UnderlineAlways) setFont(m_normalFont);
  ShowStateColour();
}

// Hovering is cleared but the poll keeps running: its next tick, or the next
// mouse move, settles the state.
void CHyperLink::OpenTarget() {
  m_hovering = false;
  const int result = m_desktop.open(m_url);
  if (result > LinkResult::kLastFailureCode) {
    MarkVisited(true);
    return;
  }
  MarkVisited(false);
  QApplication::beep();
  m_services.ShowShellFailure("Unable to open hyperlink:\n\n" + OpenResultMessage(result));
}

void CHyperLink::ShowStateColour() {
  QPalette colours = palette();
  colours.setColor(QPalette::WindowText, m_hovering ? m_hoverColour : m_visited ? m_visitedColour : m_linkColour);
  setPalette(colours);
}
