#pragma once

#include <functional>
#include <memory>

#include <QByteArrayView>
#include <QString>

#include "FileIdentity.h"

#include <sys/types.h>

class QSaveFile;

// The system calls by which an output's bytes reach its file, with their
// errno. A test stands in for them to fill a disk, which it cannot do to a
// real one.
struct OutputCalls {
  std::function<ssize_t(int descriptor, const void* bytes, size_t size)> write;
  std::function<int(int descriptor)> sync;
  static OutputCalls system();
};

// A file the program writes: a report or a baseline. One rule for both, so
// that writing never turns what the user named into something else:
//
// - A file, or a link to one, or a name not yet taken, is written aside in
//   its folder and renamed into place at the end, so that it appears whole
//   or not at all. A link is written through: its target gets the new
//   text and the link stays a link.
// - A character or block device or a pipe, or a link to one, is written to
//   directly, as named (`-o /dev/stdout`): a file renamed over it would
//   replace it. It is opened without being created, so that it never
//   becomes a file, even if it goes away meanwhile.
// - A folder, a socket or a file of the kernel's /proc or /sys is refused.
//
// A failure is told by the system's own words for it: a disk that fills up
// is "No space left on device", whether a write or the sync at the end
// finds it.
class OutputFile {
 public:
  explicit OutputFile(OutputCalls calls = OutputCalls::system());
  // What was written aside and not committed is dropped.
  ~OutputFile();
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  // Standard output, written directly.
  void openStandardOutput();
  // `path`; false with `error` set to the reason when it cannot be written.
  bool open(const QString& path, QString* error);

  // Writes all of `bytes`; false with `error` set to the reason.
  bool write(QByteArrayView bytes, QString* error);
  // Puts a file written aside into place. False with `error` set to the
  // reason; the file is then left as it was.
  bool commit(QString* error);
  // Drops what was written aside; what was written directly stays written.
  void cancel();

  // Whether an output to `path` would replace a file that is there now,
  // and which file that is: only a file written aside replaces anything.
  static bool replacedFile(const QByteArray& path, FileIdentity* identity);

 private:
  void close();

  OutputCalls calls_;
  std::unique_ptr<QSaveFile> aside_;
  int descriptor_ = -1;
  bool ownsDescriptor_ = false;
};
