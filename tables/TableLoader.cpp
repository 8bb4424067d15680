#include "TableLoader.h"

#include <cstring>

#include "LineEndSource.h"
#include "TableFolder.h"

#include "TextLines.h"
#include "WholeFile.h"

QString TableFault::message() const {
  if (line > 0) return QStringLiteral("%1: line %2: %3").arg(path).arg(line).arg(reason);
  return path + QStringLiteral(": ") + reason;
}

namespace {

// Takes a table file's lines from a source, a chunk at a time, so that a
// table of any size needs one small buffer and no more than its longest line.
class LineReader {
 public:
  LineReader(ByteSource& source, tablerecord::Format format) : source_(source), format_(format) {}

  // The next line without its line end, and whether nothing at all follows
  // it; false at the end or on a failed read (error()).
  bool next(QByteArrayView* line, bool* endsFile) {
    for (;;) {
      if (skipLineFeed_ && at_ < have_) {
        if (buffer_[at_] == textlines::kLineFeed) ++at_;
        skipLineFeed_ = false;
      }
      const QByteArrayView bytes(buffer_.constData(), have_);
      const qsizetype end = textlines::lineEndFrom(bytes, at_);
      if (end < have_) {
        *line = bytes.sliced(at_, end - at_);
        *endsFile = false;
        at_ = end + 1;
        if (at_ < have_) {
          if (buffer_[at_] == textlines::kLineFeed) ++at_;
        } else {
          skipLineFeed_ = true;
        }
        return true;
      }
      if (ended_ && at_ < have_) {
        // The last line, with no line end after it.
        *line = bytes.sliced(at_, have_ - at_);
        *endsFile = true;
        at_ = have_;
        return true;
      }
      if (ended_) return false;
      // Keep the part of a line read so far, and read on.
      std::memmove(buffer_.data(), buffer_.constData() + at_, std::size_t(have_ - at_));
      have_ -= at_;
      at_ = 0;
      if (have_ == buffer_.size()) {
        if (QString fault =
                tablerecord::refuseEarly(QByteArrayView(buffer_.constData(), have_), format_);
            !fault.isEmpty()) {
          lineFault_ = std::move(fault);
          return false;
        }
        buffer_.resize(2 * buffer_.size());
      }
      const qint64 n = source_.read(buffer_.data() + have_, buffer_.size() - have_, &error_);
      if (n < 0) return false;
      if (n == 0) ended_ = true;
      if (!started_) {
        started_ = true;
        if (QByteArrayView(buffer_.constData() + have_, n).startsWith(textlines::kByteOrderMark)) {
          at_ = textlines::kByteOrderMark.size();
        }
      }
      have_ += n;
    }
  }
  // Why reading stopped early: the system's reason, or the fault of a line
  // refused before its end was read.
  const QString& error() const { return error_; }
  const QString& lineFault() const { return lineFault_; }

 private:
  ByteSource& source_;
  const tablerecord::Format format_;
  QByteArray buffer_ = QByteArray(64 * 1024, Qt::Uninitialized);
  qsizetype at_ = 0;
  qsizetype have_ = 0;
  bool ended_ = false;
  bool skipLineFeed_ = false;
  bool started_ = false;
  QString error_;
  QString lineFault_;
};

// Far more than any table holds, and little enough that a file that is no
// table cannot fill memory.
constexpr qint64 kMostTableBytes = qint64(64) << 20;

// The shortest record, two commas and a CR, sets how many rows a file of a
// given size can hold at most; reserving for them costs only address space.
constexpr qint64 kShortestRecord = 3;
constexpr qint64 kMostRowsReserved = 1 << 20;

}  // namespace

namespace {

// The code point the byte `at` of a UTF-8 line starts, counted from 1 as
// every column is.
qint64 columnOf(QByteArrayView line, qsizetype at) {
  qint64 column = 1;
  for (qsizetype i = 0; i < at && i < line.size(); ++i) {
    if ((quint8(line[i]) & 0xc0) != 0x80) ++column;
  }
  return column;
}

// Reads an open table file; `fault` names `path` already.
bool readTable(ByteSource& source, const QString& path, tablerecord::Format format,
               ReferenceTable* table, TableFault* fault) {
  const qint64 size = qMax<qint64>(source.size(), 0);
  ReferenceTableBuilder builder(size, qMin(size / kShortestRecord + 1, kMostRowsReserved));
  // A table saved with LF alone reads as a script so saved does.
  LineEndSource read(source, textlines::LineEnds::Auto);
  LineReader lines(read, format);
  QByteArrayView line;
  bool endsFile = false;
  qint64 number = 1;
  for (; lines.next(&line, &endsFile); ++number) {
    tablerecord::Record record;
    qsizetype faultAt = 0;
    const QString reason = tablerecord::parse(line, format, endsFile, &record, &faultAt);
    if (!reason.isEmpty()) {
      *fault = TableFault{path, number, columnOf(line, faultAt), reason};
      return false;
    }
    const auto code = builder.addText(record.code);
    const auto message = builder.addText(record.message);
    const auto note = builder.addText(record.note);
    builder.addRow(code, message, note, number);
  }
  if (!lines.lineFault().isEmpty()) {
    *fault = TableFault{path, number, 1, lines.lineFault()};
    return false;
  }
  if (!lines.error().isEmpty()) {
    fault->reason = lines.error();
    return false;
  }
  *table = builder.build();
  return true;
}

// Below this size a table loads in less time than a thread takes to start
// and meet the caller again, so both tables load on the calling thread.
constexpr qint64 kHelpedFrom = qint64(256) << 10;

}  // namespace

bool loadTable(FileSystem& files, const QString& path, tablerecord::Format format,
               ReferenceTable* table, TableFault* fault) {
  *fault = TableFault{path, 0, 0, QString()};
  const std::unique_ptr<ByteSource> source =
      openWhole(files, path, kMostTableBytes, &fault->reason);
  return source && readTable(*source, path, format, table, fault);
}

bool loadTables(FileSystem& files, const QString& folder, Tables* tables, TableFault* fault,
                HelperThread* helper) {
  Tables loaded;
  loaded.tagsPath = tableFilePath(folder, QStringLiteral("tags.txt"));
  loaded.paramsPath = tableFilePath(folder, QStringLiteral("param.txt"));
  // Both open before either is read, so that the parameters' size can
  // tell whether they are worth the helper; a failure is still told as if
  // the tags had been read first.
  *fault = TableFault{loaded.tagsPath, 0, 0, QString()};
  const std::unique_ptr<ByteSource> tagsSource =
      openWhole(files, loaded.tagsPath, kMostTableBytes, &fault->reason);
  if (!tagsSource) return false;
  TableFault paramsFault{loaded.paramsPath, 0, 0, QString()};
  const std::unique_ptr<ByteSource> paramsSource =
      openWhole(files, loaded.paramsPath, kMostTableBytes, &paramsFault.reason);
  bool paramsRead = false;
  auto loadParams = [&] {
    paramsRead =
        paramsSource && readTable(*paramsSource, loaded.paramsPath, tablerecord::Format::Params,
                                  &loaded.params, &paramsFault);
  };
  // A large parameters table loads on the helper beside the tags.
  const bool helped = helper && paramsSource && paramsSource->size() >= kHelpedFrom;
  if (helped) helper->start(loadParams);
  const bool tagsRead =
      readTable(*tagsSource, loaded.tagsPath, tablerecord::Format::Tags, &loaded.tags, fault);
  if (helped) {
    helper->finish();
  } else if (tagsRead) {
    loadParams();
  }
  if (!tagsRead) return false;
  if (!paramsRead) {
    *fault = paramsFault;
    return false;
  }
  *tables = std::move(loaded);
  return true;
}
