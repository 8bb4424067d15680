#include "ShowRecorder.h"

#include <QCoreApplication>
#include <QWidget>

ShowRecorder::ShowRecorder() {
  QCoreApplication::instance()->installEventFilter(this);
}

ShowRecorder::~ShowRecorder() {
  QCoreApplication::instance()->removeEventFilter(this);
}

qint64 ShowRecorder::shownAfter(const QString& name, const QElapsedTimer& since) const {
  const qsizetype i = shown_.indexOf(name);
  return i < 0 ? -1 : at_[i] - since.msecsSinceReference();
}

bool ShowRecorder::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::Show && watched->isWidgetType() &&
      static_cast<QWidget*>(watched)->isWindow() && !shown_.contains(watched->objectName())) {
    QElapsedTimer now;
    now.start();
    shown_.append(watched->objectName());
    at_.append(now.msecsSinceReference());
  }
  return false;
}
