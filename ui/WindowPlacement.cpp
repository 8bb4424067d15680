#include "WindowPlacement.h"

#include <QEventLoop>
#include <QGuiApplication>
#include <QRect>
#include <QScreen>
#include <QTimer>
#include <QWidget>
#include <QWindow>

namespace {

// How long to wait for the window system to map a new window.
constexpr int kExposeTimeoutMs = 2000;
constexpr int kExposePollMs = 5;

bool isExposed(const QWidget* window) {
  const QWindow* handle = window->windowHandle();
  return handle && handle->isExposed();
}

}  // namespace

void showCentred(QWidget* window) {
  // The native window knows the size of its frame where the window system
  // tells it before the window is mapped; elsewhere the frame counts as none.
  window->winId();
  const QScreen* screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
  QRect frame(QPoint(0, 0), window->size().grownBy(window->windowHandle()->frameMargins()));
  frame.moveCenter(screen->availableGeometry().center());
  window->move(frame.topLeft());
  window->show();
}

void showCentredAndPaint(QWidget* window) {
  showCentred(window);
  if (!isExposed(window)) {
    // Only the window system's own events run here: the expose that lets
    // the window paint. Input is held back for the event loop proper.
    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
      if (isExposed(window)) loop.quit();
    });
    QTimer::singleShot(kExposeTimeoutMs, &loop, &QEventLoop::quit);
    poll.start(kExposePollMs);
    loop.exec(QEventLoop::ExcludeUserInputEvents);
  }
  window->repaint();
}
