#include "ReportOutput.h"

ReportOutput::ReportOutput(OutputCalls calls) : file_(std::move(calls)) {
  file_.openStandardOutput();
}

bool ReportOutput::openFile(const QString& path) {
  where_ = path;
  QString reason;
  if (!file_.open(path, &reason)) {
    error_ = path + QStringLiteral(": ") + reason;
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
  QString reason;
  if (!file_.write(buffer_, &reason)) error_ = where_ + QStringLiteral(": ") + reason;
  buffer_.resize(0);
}

bool ReportOutput::finish() {
  flush();
  QString reason;
  if (failed()) {
    file_.cancel();
  } else if (!file_.commit(&reason)) {
    error_ = where_ + QStringLiteral(": ") + reason;
  }
  return !failed();
}

void ReportOutput::cancel() {
  discarding_ = true;
  buffer_.clear();
  file_.cancel();
}
