#include "ReportOutput.h"

#include <cerrno>
#include <cstring>

#include <QFile>
#include <QSaveFile>

#include "NativePath.h"

#include <sys/stat.h>
#include <unistd.h>

ReportOutput::ReportOutput() = default;

bool ReportOutput::openFile(const QString& path) {
  struct stat st {};
  const bool special = ::stat(encodeNativePath(path).constData(), &st) == 0 && !S_ISREG(st.st_mode);
  replacing_ = !special;
  if (replacing_) {
    file_ = std::make_unique<QSaveFile>(path);
  } else {
    file_ = std::make_unique<QFile>(path);
  }
  if (!file_->open(QIODevice::WriteOnly)) {
    error_ = path + QStringLiteral(": ") + file_->errorString();
    file_.reset();
    return false;
  }
  return true;
}

void ReportOutput::write(const QByteArray& bytes) {
  if (failed() || discarding_) return;
  buffer_ += bytes;
  if (buffer_.size() >= kFlushAt) flush();
}

void ReportOutput::flush() {
  if (failed() || buffer_.isEmpty()) return;
  if (file_) {
    if (file_->write(buffer_) != buffer_.size())
      error_ = file_->fileName() + QStringLiteral(": ") + file_->errorString();
  } else {
    const char* at = buffer_.constData();
    qsizetype left = buffer_.size();
    while (left > 0) {
      const ssize_t n = ::write(STDOUT_FILENO, at, std::size_t(left));
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) {
        error_ = QStringLiteral("standard output: ") +
                 QString::fromLocal8Bit(std::strerror(n < 0 ? errno : EIO));
        break;
      }
      at += n;
      left -= n;
    }
  }
  buffer_.resize(0);
}

bool ReportOutput::finish() {
  flush();
  if (file_ && replacing_) {
    auto* saved = static_cast<QSaveFile*>(file_.get());
    if (failed()) {
      saved->cancelWriting();
      saved->commit();
    } else if (!saved->commit()) {
      error_ = file_->fileName() + QStringLiteral(": ") + file_->errorString();
    }
  } else if (file_ && !failed() && !file_->flush()) {
    error_ = file_->fileName() + QStringLiteral(": ") + file_->errorString();
  }
  file_.reset();
  return !failed();
}
