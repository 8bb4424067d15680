#pragma once

#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

// The one extra thread that loads a table or reads stretches of a script while the
// calling thread does the rest. It is started once and kept: a new thread
// can take milliseconds to get a processor on a busy or virtual machine,
// and a task it has not begun when the caller is ready for the result is
// run by the caller itself rather than waited for.
class HelperThread {
 public:
  HelperThread() = default;
  ~HelperThread();
  HelperThread(const HelperThread&) = delete;
  HelperThread& operator=(const HelperThread&) = delete;

  // Starts the thread now, so that it is up by the first start(); otherwise
  // the first start() starts it.
  void warmUp();
  // Hands `task` to the helper thread. One task at a time: finish() it
  // before the next start().
  void start(std::function<void()> task);
  // Returns once the task given to start() has run: on the helper thread,
  // or here when the helper has not begun it yet.
  void finish();

 private:
  enum class State { Idle, Waiting, Running };
  void run();

  std::mutex mutex_;
  std::condition_variable changed_;
  std::function<void()> task_;
  State state_ = State::Idle;
  bool stopping_ = false;
  std::thread thread_;
};
