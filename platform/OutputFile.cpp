#include "OutputFile.h"

#include <cerrno>
#include <cstring>

#include <QSaveFile>

#include "KernelFiles.h"
#include "NativePath.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString systemError(int code) {
  return QString::fromLocal8Bit(std::strerror(code));
}

enum class Way { Aside, Directly, Refused };

bool isKernelFile(const QByteArray& path) {
  struct statfs fs {};
  return ::statfs(path.constData(), &fs) == 0 && isKernelFileSystem(fs);
}

// How an output to `path` is written, by the rule in OutputFile.h; `st`
// tells what is there, when `exists`.
Way wayOf(const QByteArray& path, struct stat* st, bool* exists, QString* why) {
  *exists = ::stat(path.constData(), st) == 0;
  if (!*exists) {
    // A name not yet taken; any other failure is told when it is opened.
    return Way::Aside;
  }
  if (S_ISCHR(st->st_mode) || S_ISBLK(st->st_mode) || S_ISFIFO(st->st_mode)) return Way::Directly;
  if (S_ISDIR(st->st_mode)) {
    *why = QStringLiteral("Is a folder, not a file");
  } else if (S_ISSOCK(st->st_mode)) {
    *why = QStringLiteral("Is a socket: only files, devices and pipes are written");
  } else if (isKernelFile(path)) {
    *why = QStringLiteral("Is a file of the kernel's /proc or /sys, not a file on disk");
  } else {
    return Way::Aside;
  }
  return Way::Refused;
}

}  // namespace

OutputCalls OutputCalls::system() {
  return {::write, ::fsync};
}

OutputFile::OutputFile(OutputCalls calls) : calls_(std::move(calls)) {}

OutputFile::~OutputFile() {
  close();
}

void OutputFile::close() {
  aside_.reset();
  if (ownsDescriptor_) ::close(descriptor_);
  descriptor_ = -1;
  ownsDescriptor_ = false;
}

void OutputFile::openStandardOutput() {
  close();
  descriptor_ = STDOUT_FILENO;
}

bool OutputFile::open(const QString& path, QString* error) {
  close();
  const QByteArray native = encodeNativePath(path);
  struct stat st {};
  bool exists = false;
  switch (wayOf(native, &st, &exists, error)) {
    case Way::Refused:
      return false;
    case Way::Aside:
      // Written through its descriptor, as a device is: QSaveFile keeps no
      // errno, and a write that fills the disk partway through it reports
      // "Unknown error".
      aside_ = std::make_unique<QSaveFile>(path);
      if (!aside_->open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        *error = aside_->errorString();
        aside_.reset();
        return false;
      }
      descriptor_ = aside_->handle();
      return true;
    case Way::Directly:
      break;
  }
  // A pipe opens once a reader has it open too.
  do {
    descriptor_ = ::open(native.constData(), O_WRONLY | O_CLOEXEC | O_NOCTTY);
  } while (descriptor_ < 0 && errno == EINTR);
  if (descriptor_ < 0) {
    *error = systemError(errno);
    return false;
  }
  ownsDescriptor_ = true;
  // A file that took the device's place meanwhile is not written over in part.
  struct stat opened {};
  if (::fstat(descriptor_, &opened) != 0 || identityFrom(opened) != identityFrom(st)) {
    *error = QStringLiteral("Was replaced while it was opened");
    close();
    return false;
  }
  return true;
}

bool OutputFile::write(QByteArrayView bytes, QString* error) {
  const char* at = bytes.data();
  qsizetype left = bytes.size();
  while (left > 0) {
    const ssize_t n = calls_.write(descriptor_, at, std::size_t(left));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      *error = systemError(n < 0 ? errno : EIO);
      return false;
    }
    at += n;
    left -= n;
  }
  return true;
}

bool OutputFile::commit(QString* error) {
  if (aside_) {
    // A file system that allocates late tells a full disk only here.
    // QSaveFile syncs as well, but passes over a failure.
    int failed = 0;
    while (calls_.sync(descriptor_) != 0) {
      if (errno == EINTR) continue;
      failed = errno;
      break;
    }
    if (failed != 0) {
      *error = systemError(failed);
      cancel();
      return false;
    }
    if (!aside_->commit()) {
      *error = aside_->errorString();
      close();
      return false;
    }
  }
  close();
  return true;
}

void OutputFile::cancel() {
  if (aside_) aside_->cancelWriting();
  close();
}

bool OutputFile::replacedFile(const QByteArray& path, FileIdentity* identity) {
  struct stat st {};
  bool exists = false;
  QString why;
  if (wayOf(path, &st, &exists, &why) != Way::Aside || !exists) return false;
  *identity = identityFrom(st);
  return true;
}
