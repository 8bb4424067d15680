#include "HelperThread.h"

HelperThread::~HelperThread() {
  if (!thread_.joinable()) return;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
  }
  changed_.notify_all();
  thread_.join();
}

void HelperThread::warmUp() {
  if (!thread_.joinable()) thread_ = std::thread([this] { run(); });
}

void HelperThread::start(std::function<void()> task) {
  warmUp();
  {
    std::lock_guard<std::mutex> lock(mutex_);
    task_ = std::move(task);
    state_ = State::Waiting;
  }
  changed_.notify_all();
}

void HelperThread::finish() {
  std::unique_lock<std::mutex> lock(mutex_);
  if (state_ == State::Waiting) {
    // Not begun: doing it here is sooner than waking the helper for it.
    std::function<void()> task = std::move(task_);
    task_ = nullptr;
    state_ = State::Idle;
    lock.unlock();
    task();
    return;
  }
  changed_.wait(lock, [this] { return state_ == State::Idle; });
}

void HelperThread::run() {
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    changed_.wait(lock, [this] { return state_ == State::Waiting || stopping_; });
    if (state_ != State::Waiting) return;
    std::function<void()> task = std::move(task_);
    task_ = nullptr;
    state_ = State::Running;
    lock.unlock();
    task();
    task = nullptr;
    lock.lock();
    state_ = State::Idle;
    changed_.notify_all();
  }
}
