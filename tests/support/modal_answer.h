#pragma once

#include <QApplication>
#include <QTest>
#include <QTimer>

#include <functional>

// Runs `answer` on the next modal widget that opens, as a user would answer
// the box or dialog that a call under test shows. The event loop may turn
// before the widget opens (while a child process is waited for, say), so a
// turn that finds none looks again a little later, for up to ten seconds.
template <typename Widget>
void AnswerNextModal(std::function<void(Widget&)> answer, int looksLeft = 1000) {
  constexpr int kLookIntervalMs = 10;
  QTimer::singleShot(kLookIntervalMs, [answer, looksLeft] {
    auto* widget = qobject_cast<Widget*>(QApplication::activeModalWidget());
    if (widget == nullptr && looksLeft > 0) {
      AnswerNextModal(answer, looksLeft - 1);
      return;
    }
    QVERIFY(widget);
    answer(*widget);
  });
}
