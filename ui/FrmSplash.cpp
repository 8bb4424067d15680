#include "FrmSplash.h"

#include <QMouseEvent>
#include <QPainter>

FrmSplash::FrmSplash(QWidget* parent)
    // A splash screen to the window system: kept above other windows and out
    // of the task bar, with no title bar, hence no title text, and no resizing.
    : QWidget(parent, Qt::SplashScreen), picture_(QStringLiteral(":/splash.png")) {
  setObjectName(QStringLiteral("frmSplash"));
  setFixedSize(kClientWidth, kClientHeight);
  // The hidden main window is still loaded while the splash is up, so the
  // user closing the splash must not look like the last window going away.
  setAttribute(Qt::WA_QuitOnClose, false);
  // Everything is painted from the picture; no background needs clearing.
  setAttribute(Qt::WA_OpaquePaintEvent);
}

void FrmSplash::paintEvent(QPaintEvent*) {
  // Unscaled at the top left: the picture is two columns wider than the
  // window, and those two columns are simply cut off.
  QPainter painter(this);
  painter.drawImage(QPoint(0, 0), picture_);
}

void FrmSplash::mousePressEvent(QMouseEvent* event) {
  pressed_ = event->button() == Qt::LeftButton;
}

void FrmSplash::mouseReleaseEvent(QMouseEvent* event) {
  // A click is a press and a release of the left button on the window.
  const bool click =
      pressed_ && event->button() == Qt::LeftButton && rect().contains(event->position().toPoint());
  pressed_ = false;
  if (click) emit clicked();
}
