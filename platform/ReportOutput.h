#pragma once

#include <QByteArray>
#include <QString>

#include "OutputFile.h"

// Where the report goes: standard output, or with --output a file written
// by OutputFile's rule (aside and renamed into place, or directly to a
// device or a pipe). Writes are buffered; the first failure is kept and
// nothing more is written after it.
class ReportOutput {
 public:
  // Standard output; `calls` write to whatever is opened.
  explicit ReportOutput(OutputCalls calls = OutputCalls::system());
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
  // Drops the report: a file written aside is never put in place.
  void cancel();

  bool failed() const { return !error_.isEmpty(); }
  // "<where>: <reason>", e.g. "standard output: No space left on device".
  const QString& error() const { return error_; }

 private:
  static constexpr qsizetype kFlushAt = 256 * 1024;
  OutputFile file_;
  QString where_ = QStringLiteral("standard output");
  bool discarding_ = false;
  QByteArray buffer_;
  QString error_;
};
