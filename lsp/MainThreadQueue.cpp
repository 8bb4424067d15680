#include "MainThreadQueue.h"

#include <QCoreApplication>

void MainThreadQueue::push(std::function<void()> work) {
  bool wake = false;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    work_.push_back(std::move(work));
    wake = !wakePosted_;
    wakePosted_ = true;
  }
  if (wake) QCoreApplication::postEvent(this, new QEvent(kWake));
}

bool MainThreadQueue::event(QEvent* event) {
  if (event->type() != kWake) return QObject::event(event);
  std::deque<std::function<void()>> taken;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    taken.swap(work_);
    wakePosted_ = false;
  }
  for (std::function<void()>& work : taken) work();
  return true;
}
