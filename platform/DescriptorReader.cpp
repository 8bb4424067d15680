#include "DescriptorReader.h"

#include <cerrno>
#include <cstring>
#include <vector>

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

namespace {

constexpr std::size_t kChunk = 64 * 1024;

QString systemError(int error) {
  return QString::fromLocal8Bit(std::strerror(error));
}

}  // namespace

DescriptorReader::DescriptorReader(int descriptor, Received received, Ended ended)
    : descriptor_(descriptor), received_(std::move(received)), ended_(std::move(ended)) {}

DescriptorReader::~DescriptorReader() {
  stop();
}

void DescriptorReader::start() {
  wake_ = ::eventfd(0, EFD_CLOEXEC);
  thread_ = std::thread([this] { run(); });
}

void DescriptorReader::stop() {
  if (!thread_.joinable()) return;
  const quint64 one = 1;
  while (::write(wake_, &one, sizeof one) < 0 && errno == EINTR) {
  }
  thread_.join();
  ::close(wake_);
  wake_ = -1;
}

void DescriptorReader::run() {
  std::vector<char> buffer(kChunk);
  pollfd watched[2] = {{descriptor_, POLLIN, 0}, {wake_, POLLIN, 0}};
  for (;;) {
    if (::poll(watched, 2, -1) < 0) {
      if (errno == EINTR) continue;
      ended_(systemError(errno));
      return;
    }
    if (watched[1].revents != 0) return;  // stopped
    const ssize_t n = ::read(descriptor_, buffer.data(), buffer.size());
    if (n < 0 && (errno == EINTR || errno == EAGAIN)) continue;
    if (n < 0) {
      ended_(systemError(errno));
      return;
    }
    if (n == 0) {
      ended_(QString());
      return;
    }
    received_(QByteArrayView(buffer.data(), n));
  }
}
