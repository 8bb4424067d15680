#pragma once

#include <deque>
#include <functional>
#include <mutex>

#include <QEvent>
#include <QObject>

// Work that other threads hand to the main thread: pushed under a lock from
// any thread, run by the main thread's event loop in the order pushed. One
// wake-up is posted for however much is pushed before the loop gets to it.
// What is still queued when the queue is destroyed is never run.
class MainThreadQueue : public QObject {
 public:
  void push(std::function<void()> work);

 protected:
  bool event(QEvent* event) override;

 private:
  static constexpr QEvent::Type kWake = QEvent::User;
  std::mutex mutex_;
  std::deque<std::function<void()>> work_;
  bool wakePosted_ = false;
};
