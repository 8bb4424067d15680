#pragma once

#include <memory>

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include "ByteStream.h"
#include "FileSystem.h"

// File number 1: the one channel of sequential text input. A line ends at a
// CR or a CR LF; a lone LF stays in the line. Reading works on bytes in large
// chunks and decodes only what the caller asks for as text.
class InputFile {
 public:
  enum class FieldEnd { Comma, LineEnd, EndOfFile };

  struct Field {
    QString text;
    FieldEnd end = FieldEnd::EndOfFile;
    bool quoted = false;
    bool closingQuoteMissing = false;  // the line ended inside the quotes
    bool textAfterQuote = false;       // something other than a comma or line end followed
  };

  explicit InputFile(FileSystem& files);

  // On failure errorString() names the path and the reason.
  bool open(const QString& path);
  void close();
  bool isOpen() const { return stream_ != nullptr; }

  // Moves straight to byte `offset` of the file, dropping what was read
  // ahead. False on failure, with errorString() set.
  bool skipTo(qint64 offset);
  // Where the first line that starts after byte `offset` starts: after the
  // first CR at `offset` or later, and its LF. Reads only a few kilobytes
  // past the CR, and leaves the channel there. -1 when no line starts after
  // it, or when a read failed (failed() tells).
  qint64 lineStartAfter(qint64 offset);
  // The file's length in bytes as it stands, or -1 when it has none.
  qint64 size() const { return stream_ ? stream_->size() : -1; }
  // The open file's identity (see ByteStream); empty when closed.
  QByteArray identity() const { return stream_ ? stream_->identity() : QByteArray(); }
  // The file ends at byte `offset` as far as this channel reads it.
  void stopAt(qint64 offset) { stopAt_ = offset; }
  // The offset of the next byte to be read, past the LF of a CR LF that
  // ended the last line. -1 once a read has failed.
  qint64 position();
  const QString& path() const { return path_; }
  FileSystem& fileSystem() const { return files_; }

  // True when no byte remains, or once a read has failed.
  bool atEnd();

  // The next line without its line end. Returns false when no character
  // remains or a read failed; failed() tells the two apart.
  bool readLine(QString* line);
  // The rest of the current line, taken raw.
  bool readRestOfLine(QString* text) { return readLine(text); }

  // Reads whole lines in one piece: at most `maxLines` of them, as many as
  // the buffer holds (at least one). The block ends after the last line's CR,
  // or at the end of the file; the lines it holds are its CRs, plus one when
  // it does not end in a CR. The view stays valid until the next read. False
  // as readLine().
  bool readLineBlock(qint64 maxLines, QByteArrayView* block);

  // Counts the lines from the read position to the end and leaves the file
  // there: a last line without a line end counts, a line end at the very end
  // starts no further line. Returns -1 when a read fails.
  qint64 countRemainingLines();

  // The rest of the current line when the buffer already holds it up to its
  // CR, without moving on; false otherwise, or at the end. For readers that
  // take a plain line whole and leave an odd one to readField().
  bool bufferedLine(QByteArrayView* line);
  // Moves past the line bufferedLine() gave, `length` bytes, and its line end.
  void skipBufferedLine(qsizetype length) {
    begin_ += length + 1;
    consumeLineEndAfterCr();
  }

  // One comma-separated field: leading spaces skipped; a quoted field runs to
  // the closing quote; an unquoted one to the next comma or line end, with
  // trailing spaces dropped. Returns false when nothing is left to start a
  // field or a read failed.
  bool readField(Field* field);

  bool failed() const { return !error_.isEmpty(); }
  // "<path>: <reason>" for the last open or read failure.
  QString errorString() const;

 private:
  // The next line as raw bytes; the view stays valid until the next read.
  bool readLineBytes(QByteArrayView* line);
  static constexpr qsizetype kChunkSize = 256 * 1024;

  // Notes the reason of a failed read; returns -1.
  qint64 readFailed();
  // Makes at least one byte available at begin_; false at the end or on error.
  bool ensureAvailable();
  // Appends more bytes behind end_, growing the buffer when it is full;
  // returns the number read (0 at the end, -1 on error).
  qint64 readMore();
  int peekByte() {  // -1 at the end
    return begin_ < end_ && !skipLineFeed_ ? static_cast<unsigned char>(buffer_[begin_])
                                           : peekByteSlowly();
  }
  int peekByteSlowly();
  // Appends bytes from the read position up to the first one that `stop`
  // accepts, or to the end of the file.
  template <typename Stop>
  void appendUntil(QByteArray* into, Stop stop);
  // Takes the block [begin_, end) and moves past the LF of a CR LF behind it.
  void takeBlock(qsizetype end, bool endsInCr, QByteArrayView* block);
  void skipByte() { ++begin_; }
  void consumeLineEndAfterCr();

  FileSystem& files_;
  std::unique_ptr<ByteStream> stream_;
  QString path_;
  QString error_;
  QByteArray buffer_;
  QByteArray fieldBytes_;  // reused for every field
  qsizetype begin_ = 0;
  qsizetype end_ = 0;
  bool streamEnded_ = false;
  bool skipLineFeed_ = false;  // the last line ended in a CR at the buffer's end
  qint64 streamPosition_ = 0;  // the file offset of buffer_[end_]
  qint64 stopAt_ = -1;         // no byte from here on is read; -1 for none
};
