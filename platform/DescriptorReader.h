#pragma once

#include <functional>
#include <thread>

#include <QByteArrayView>
#include <QString>

// Reads a descriptor, such as standard input, on a thread of its own, so
// that a read that waits never holds up the thread that owns the reader.
// Each chunk goes to `received` on the reading thread; `ended` is called
// there once, at the end of input (with an empty reason) or when a read
// fails. stop() ends the thread even while a read waits.
class DescriptorReader {
 public:
  using Received = std::function<void(QByteArrayView chunk)>;
  using Ended = std::function<void(const QString& error)>;

  DescriptorReader(int descriptor, Received received, Ended ended);
  ~DescriptorReader();
  DescriptorReader(const DescriptorReader&) = delete;
  DescriptorReader& operator=(const DescriptorReader&) = delete;

  void start();
  // Returns once the reading thread has ended; `ended` is not called for it.
  void stop();

 private:
  void run();

  const int descriptor_;
  Received received_;
  Ended ended_;
  int wake_ = -1;  // an eventfd that stop() writes to, watched beside the descriptor
  std::thread thread_;
};
