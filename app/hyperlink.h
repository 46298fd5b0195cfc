#pragma once

#include <QColor>
#include <QCursor>
#include <QFont>
#include <QLabel>
#include <QPoint>
#include <QTimer>

#include <functional>
#include <string>

#include "app/link_opener.h"

class UiServices;

// What a link needs from the desktop besides message boxes; tests stand in
// for both.
struct LinkDesktop {
  // Opens a target; returns a LinkResult code or another failure code.
  std::function<int(const std::string&)> open = OpenLink;
  // Where the pointer is, in global coordinates.
  std::function<QPoint()> pointerPosition = [] { return QCursor::pos(); };
};

// A label that works as a link once attached: link colours, hand cursor, the
// target as tooltip, sized to its text; a click opens the target in the web
// browser and reports a failure in a warning box.
class CHyperLink : public QLabel {
  Q_OBJECT
 public:
  enum UnderlineMode : int { UnderlineNever = 0, UnderlineAlways = 1, UnderlineOnHover = -1 };

  explicit CHyperLink(UiServices& services, QWidget* parent = nullptr, LinkDesktop desktop = {});

  // Turns the label into a link. An empty target takes the label's text and
  // an empty text takes the target; later targets never change the text.
  void Attach();
  void SetLinkUrl(const std::string& url);
  // Any mode other than UnderlineAlways and UnderlineOnHover never underlines.
  void SetUnderlineMode(UnderlineMode mode);
  void MarkVisited(bool visited);

  const std::string& LinkUrl() const { return m_url; }
  bool IsHovering() const { return m_hovering; }
  bool IsVisited() const { return m_visited; }

 protected:
  void enterEvent(QEnterEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  void FitToText();
  void StartHover();
  void PollHover();
  void OpenTarget();
  void ShowStateColour();

  UiServices& m_services;  // not owned; outlives the link
  LinkDesktop m_desktop;
  const QColor m_linkColour{0, 0, 238};
  const QColor m_visitedColour{85, 26, 139};
  const QColor m_hoverColour{255, 0, 0};
  bool m_attached = false;
  bool m_hovering = false;
  bool m_visited = false;
  UnderlineMode m_underlineMode = UnderlineOnHover;
  std::string m_url;
  QFont m_underlineFont;
  QFont m_normalFont;
  // Leaving the label is noticed by polling the pointer, so a pointer that
  // jumps away between two mouse events still ends the hover.
  QTimer m_hoverPoll;
};
