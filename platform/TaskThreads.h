#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

// A few threads that run the tasks handed to them, in the order handed
// over, each on whichever thread is free; the caller never waits for one.
class TaskThreads {
 public:
  explicit TaskThreads(int count);
  // Drops the tasks not begun and waits for those running.
  ~TaskThreads();
  TaskThreads(const TaskThreads&) = delete;
  TaskThreads& operator=(const TaskThreads&) = delete;

  void post(std::function<void()> task);

 private:
  void run();

  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<std::function<void()>> tasks_;
  bool stopping_ = false;
  std::vector<std::thread> threads_;
};
