#include "DiskFileSystem.h"

#include <cerrno>
#include <cstring>

#include <QFile>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString systemError(int code) {
  return QString::fromLocal8Bit(std::strerror(code));
}

class DescriptorSource : public ByteSource {
 public:
  DescriptorSource(int fd, qint64 size, bool owned) : fd_(fd), size_(size), owned_(owned) {}
  ~DescriptorSource() override {
    if (owned_) ::close(fd_);
  }
  DescriptorSource(const DescriptorSource&) = delete;
  DescriptorSource& operator=(const DescriptorSource&) = delete;

  qint64 size() const override { return size_; }

  qint64 readAt(qint64 offset, char* into, qint64 max, QString* error) override {
    if (size_ < 0) {
      *error = QStringLiteral("cannot be read by offset");
      return -1;
    }
    // Nothing past the size taken at the open: a file that grows while it
    // is read is read as it was.
    max = qMin(max, size_ - offset);
    if (max <= 0) return 0;
    for (;;) {
      const ssize_t n = ::pread(fd_, into, static_cast<size_t>(max), static_cast<off_t>(offset));
      if (n >= 0) return n;
      if (errno == EINTR) continue;
      *error = systemError(errno);
      return -1;
    }
  }

  qint64 read(char* into, qint64 max, QString* error) override {
    if (size_ >= 0) {
      const qint64 n = readAt(position_, into, max, error);
      if (n > 0) position_ += n;
      return n;
    }
    for (;;) {
      const ssize_t n = ::read(fd_, into, static_cast<size_t>(max));
      if (n >= 0) return n;
      if (errno == EINTR) continue;
      *error = systemError(errno);
      return -1;
    }
  }

 private:
  const int fd_;
  const qint64 size_;
  const bool owned_;
  qint64 position_ = 0;
};

// The source for an open descriptor, or nullptr with the reason.
std::unique_ptr<ByteSource> sourceOf(int fd, bool owned, QString* error) {
  struct stat st {};
  if (::fstat(fd, &st) != 0) {
    *error = systemError(errno);
    if (owned) ::close(fd);
    return nullptr;
  }
  if (S_ISDIR(st.st_mode)) {
    *error = QStringLiteral("Is a folder, not a file");
    if (owned) ::close(fd);
    return nullptr;
  }
  const qint64 size = S_ISREG(st.st_mode) ? qint64(st.st_size) : -1;
  return std::make_unique<DescriptorSource>(fd, size, owned);
}

}  // namespace

std::unique_ptr<ByteSource> DiskFileSystem::open(const QString& path, QString* error) {
  return openNative(QFile::encodeName(path), error);
}

std::unique_ptr<ByteSource> DiskFileSystem::openNative(const QByteArray& path, QString* error) {
  int fd;
  do {
    fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) {
    *error = systemError(errno);
    return nullptr;
  }
  return sourceOf(fd, true, error);
}

std::unique_ptr<ByteSource> DiskFileSystem::openStandardInput(QString* error) {
  return sourceOf(STDIN_FILENO, false, error);
}
