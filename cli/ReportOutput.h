#pragma once

#include <cstdio>
#include <memory>

#include <QByteArray>
#include <QFileDevice>
#include <QString>

// Where the report goes: standard output, or with --output a file that
// appears whole or not at all (written aside, then renamed into place). A
// device or a pipe named with --output is written to as it is: renaming a
// file over it would replace it. Writes are buffered; the first failure is
// kept and nothing more is written after it.
class ReportOutput {
 public:
  // Standard output.
  ReportOutput();
  // `path`; false with error() set when it cannot be written there.
  bool openFile(const QString& path);

  void write(const QByteArray& bytes);
  // Writes nothing from now on: for a run that records instead of reporting.
  void discard() { discarding_ = true; }
  // Writes what is buffered now, for output that a reader waits on.
  void flush();
  // Writes what is buffered; with a file, puts it in place. False with
  // error() set when any write failed; a file is then not put in place.
  bool finish();

  bool failed() const { return !error_.isEmpty(); }
  // "<where>: <reason>", e.g. "standard output: No space left on device".
  const QString& error() const { return error_; }

 private:
  static constexpr qsizetype kFlushAt = 256 * 1024;
  std::unique_ptr<QFileDevice> file_;
  bool replacing_ = false;  // file_ is a QSaveFile
  bool discarding_ = false;
  QByteArray buffer_;
  QString error_;
};
