#include "TaskThreads.h"

TaskThreads::TaskThreads(int count) {
  for (int i = 0; i < count; ++i) threads_.emplace_back([this] { run(); });
}

TaskThreads::~TaskThreads() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
    tasks_.clear();
  }
  changed_.notify_all();
  for (std::thread& thread : threads_) thread.join();
}

void TaskThreads::post(std::function<void()> task) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    tasks_.push_back(std::move(task));
  }
  changed_.notify_one();
}

void TaskThreads::run() {
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    changed_.wait(lock, [this] { return stopping_ || !tasks_.empty(); });
    if (stopping_) return;
    std::function<void()> task = std::move(tasks_.front());
    tasks_.pop_front();
    lock.unlock();
    task();
    task = nullptr;
    lock.lock();
  }
}
