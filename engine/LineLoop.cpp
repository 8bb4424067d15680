#include <thread>

#include "PublicSubs.h"
#include "RangeScan.h"

// A large script is read as two halves at once, the second on another
// thread, both when its lines are counted and when they are checked. The
// halves meet at a line start, found afresh for each pass.

qint64 PublicSubs::countScript(QString* failure) {
  const qint64 size = FileNumber1.size();
  if (size >= splitFrom_) {
    InputFile second(files_);
    const qint64 boundary = openSecondHalf(second, size);
    if (second.failed()) {
      *failure = second.errorString();
      return -1;
    }
    if (boundary > 0) {
      FileNumber1.stopAt(boundary);
      qint64 later = -1;
      std::thread helper([&] { later = second.countRemainingLines(); });
      const qint64 first = CountLines();
      helper.join();
      if (first < 0 || later < 0) {
        *failure = first < 0 ? FileNumber1.errorString() : second.errorString();
        return -1;
      }
      scriptBytes_ = second.position();
      return first + later;
    }
  }
  const qint64 count = CountLines();
  if (count < 0) {
    *failure = FileNumber1.errorString();
    return -1;
  }
  scriptBytes_ = FileNumber1.position();
  return count;
}

bool PublicSubs::checkLines(QString* failure) {
  // Only the lines that may hold a listed code are decoded and checked in
  // full. The alerts of two halves are reported in line order once both
  // have been read.
  filter_.build(Tables);
  const qint64 most = ScriptLineCount;
  if (scriptBytes_ >= splitFrom_) {
    InputFile second(files_);
    const qint64 boundary = openSecondHalf(second, scriptBytes_);
    if (second.failed()) {
      *failure = second.errorString();
      return false;
    }
    if (boundary > 0) {
      RangeScan first(filter_, Tables);
      RangeScan later(filter_, Tables);
      FileNumber1.stopAt(boundary);
      bool laterRead = false;
      std::thread helper([&] { laterRead = later.run(second, most); });
      const bool firstRead = first.run(FileNumber1, most);
      helper.join();
      if (!firstRead || !laterRead) {
        *failure = firstRead ? second.errorString() : FileNumber1.errorString();
        return false;
      }
      if (first.lines() + later.lines() <= most) {
        reportFound(first, 1);
        reportFound(later, 1 + first.lines());
        finishLines(first.lines() + later.lines(),
                    later.lines() > 0 ? later.lastLine() : first.lastLine());
        return true;
      }
      // The script grew since it was counted: read it again in one piece,
      // up to its count.
      if (!FileNumber1.open(FileNumber1.path())) {
        *failure = FileNumber1.errorString();
        return false;
      }
    }
  }
  RangeScan whole(filter_, Tables);
  if (!whole.run(FileNumber1, most)) {
    *failure = FileNumber1.errorString();
    return false;
  }
  reportFound(whole, 1);
  finishLines(whole.lines(), whole.lastLine());
  return true;
}

qint64 PublicSubs::openSecondHalf(InputFile& second, qint64 size) {
  // The first line that starts at or after the middle byte is the one after
  // the line that holds the byte before it.
  if (!second.open(FileNumber1.path()) || !second.skipTo(size / 2 - 1)) return -1;
  QByteArrayView partLine;
  if (!second.readLineBlock(1, &partLine)) return -1;
  const qint64 at = second.position();
  return at > 0 && at < size ? at : -1;
}

void PublicSubs::reportFound(const RangeScan& scan, qint64 firstLine) {
  for (const RangeScan::Found& found : scan.found()) {
    LineNumber = firstLine + found.line - 1;
    Statement = found.statement;
    StatementLength = Statement.size();
    HasEquals = found.hasEquals;
    MatchIndex = found.row;
    if (found.isTag) {
      ReportTagAlert();
    } else {
      ReportParameterAlert();
    }
  }
}

void PublicSubs::finishLines(qint64 lines, const QByteArray& lastLine) {
  // The shared line state ends as the last line read left it.
  LineNumber = 1 + lines;
  if (lines > 0) takeLine(lastLine);
}
