#include "DiskFileSystem.h"

#include <atomic>

#include "KernelFiles.h"
#include "NativePath.h"

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace {

QString systemError(int code) {
  return QString::fromLocal8Bit(std::strerror(code));
}

class DescriptorSource : public ByteSource {
 public:
  DescriptorSource(int fd, qint64 size, bool owned, const struct stat& st)
      : fd_(fd), size_(size), owned_(owned), identity_(identityFrom(st)) {}
  ~DescriptorSource() override {
    if (owned_) ::close(fd_);
  }
  DescriptorSource(const DescriptorSource&) = delete;
  DescriptorSource& operator=(const DescriptorSource&) = delete;

  qint64 size() const override { return size_; }

  // Standard input is not owned: whatever file it is, it has no name here.
  bool identity(FileIdentity* identity) const override {
    if (owned_) *identity = identity_;
    return owned_;
  }

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
  const FileIdentity identity_;
  qint64 position_ = 0;
};

// What a path is opened for: a script, read as a stream when it is a
// pipe; a script that must be a file, for a reader that cannot wait on a
// pipe; a file read whole, which must be a file; or standard input,
// whatever it is.
enum class Reading { FileOrPipe, ScriptFileOnly, FileOnly, AnyKind };

// Whether a pipe is read, as a stream.
bool readsPipes(Reading reading) {
  return reading == Reading::FileOrPipe || reading == Reading::AnyKind;
}

// /dev/null, the empty file everyone knows, reads as one.
bool isNullDevice(const struct stat& st) {
  return S_ISCHR(st.st_mode) && st.st_rdev == makedev(1, 3);
}

// Why a file of this kind is not read, or empty. Files are read, and
// pipes, once, as standard input is; a device may never end, or block, or
// change what it drives when it is read. A file read whole, or a script
// that must be a file, is read from a file alone: a pipe could keep it
// waiting for a writer, or never end.
QString refusal(const struct stat& st, Reading reading) {
  const bool pipes = readsPipes(reading);
  const auto onlyFiles = [pipes](const char* kind) {
    return QStringLiteral("Is %1: only files%2 are read")
        .arg(QLatin1StringView(kind),
             pipes ? QStringLiteral(", pipes and standard input") : QString());
  };
  if (S_ISDIR(st.st_mode)) return QStringLiteral("Is a folder, not a file");
  if (S_ISCHR(st.st_mode) && !isNullDevice(st)) return onlyFiles("a character device");
  if (S_ISBLK(st.st_mode)) return onlyFiles("a block device");
  if (S_ISSOCK(st.st_mode)) return onlyFiles("a socket");
  if (S_ISFIFO(st.st_mode) && !pipes) return onlyFiles("a pipe");
  return QString();
}

// None of the kernel's files is a script, a table or a setting. A file
// system is asked once for the device its files were last found on: the
// scripts of a tree lie on one or a few, and asking costs a system call a
// script.
bool isKernelFile(int fd, const struct stat& st, std::atomic<quint64>& ordinaryDevice) {
  if (quint64(st.st_dev) == ordinaryDevice.load(std::memory_order_relaxed)) return false;
  struct statfs fs {};
  if (::fstatfs(fd, &fs) != 0) return false;
  if (isKernelFileSystem(fs)) return true;
  ordinaryDevice.store(quint64(st.st_dev), std::memory_order_relaxed);
  return false;
}

// The source for an open descriptor, or nullptr with the reason. Standard
// input is read whatever it is, a terminal too, but never a folder.
std::unique_ptr<ByteSource> sourceOf(int fd, bool owned, Reading reading,
                                     std::atomic<quint64>& ordinaryDevice, QString* error) {
  struct stat st {};
  if (::fstat(fd, &st) != 0) {
    *error = systemError(errno);
  } else if (const QString refused = refusal(st, reading);
             !refused.isEmpty() && (reading != Reading::AnyKind || S_ISDIR(st.st_mode))) {
    *error = refused;
  } else if (reading != Reading::AnyKind && S_ISREG(st.st_mode) &&
             isKernelFile(fd, st, ordinaryDevice)) {
    *error = reading == Reading::FileOnly
                 ? QStringLiteral("Is a file of the kernel's /proc or /sys, not a file on disk")
                 : QStringLiteral("Is a file of the kernel's /proc or /sys, not a script");
  } else {
    // Where pipes are not read, /dev/null is an empty file, not a stream.
    const qint64 size = S_ISREG(st.st_mode) ? qint64(st.st_size) : !readsPipes(reading) ? 0 : -1;
    return std::make_unique<DescriptorSource>(fd, size, owned, st);
  }
  if (owned) ::close(fd);
  return nullptr;
}

// `listedFile`: a folder's listing has just found a file at `path`.
std::unique_ptr<ByteSource> openPath(const QByteArray& path, Reading reading, bool listedFile,
                                     std::atomic<quint64>& ordinaryDevice, QString* error) {
  // A device is refused before it is opened: opening one may wait, or do
  // something; so is a pipe where pipes are not read. A file a listing has
  // just found is not looked at twice. Whatever the path names by the time
  // it is open is checked again; a file that must be a file, or one that
  // was a file a moment ago, is opened without waiting, in case a pipe has
  // taken its place meanwhile.
  struct stat st {};
  if (!listedFile && ::stat(path.constData(), &st) == 0) {
    if (QString refused = refusal(st, reading); !refused.isEmpty()) {
      *error = std::move(refused);
      return nullptr;
    }
  }
  const bool noWait = !readsPipes(reading) || listedFile;
  const int flags = O_RDONLY | O_CLOEXEC | O_NOCTTY | (noWait ? O_NONBLOCK : 0);
  int fd;
  do {
    fd = ::open(path.constData(), flags);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) {
    *error = systemError(errno);
    return nullptr;
  }
  return sourceOf(fd, true, reading, ordinaryDevice, error);
}

}  // namespace

std::unique_ptr<ByteSource> DiskFileSystem::open(const QString& path, QString* error) {
  return openNative(encodeNativePath(path), error);
}

std::unique_ptr<ByteSource> DiskFileSystem::openNative(const QByteArray& path, QString* error) {
  return openPath(path, Reading::FileOrPipe, false, ordinaryDevice_, error);
}

std::unique_ptr<ByteSource> DiskFileSystem::openListedFile(const QByteArray& path, QString* error) {
  return openPath(path, Reading::FileOrPipe, true, ordinaryDevice_, error);
}

std::unique_ptr<ByteSource> DiskFileSystem::openScriptFile(const QString& path, QString* error) {
  return openPath(encodeNativePath(path), Reading::ScriptFileOnly, false, ordinaryDevice_, error);
}

std::unique_ptr<ByteSource> DiskFileSystem::openFile(const QString& path, QString* error) {
  return openPath(encodeNativePath(path), Reading::FileOnly, false, ordinaryDevice_, error);
}

std::unique_ptr<ByteSource> DiskFileSystem::openStandardInput(QString* error) {
  return sourceOf(STDIN_FILENO, false, Reading::AnyKind, ordinaryDevice_, error);
}
