#include <limits>
#include <memory>

#include "PublicSubs.h"
#include "RangeScan.h"

// A large script is read as two halves at once, the second through the
// helper thread, both when its lines are counted and when they are checked.
// The halves meet at a line start, found afresh for each read.

namespace {

// Opens `second` on the script of `first` at the first line that starts in
// the second half of its `size` bytes: the line after the one that holds the
// byte before the middle. Returns where that is; -1 when no line starts
// there or the channel failed.
qint64 openSecondHalf(const InputFile& first, InputFile& second, qint64 size) {
  if (!second.open(first.path()) || !second.skipTo(size / 2 - 1)) return -1;
  QByteArrayView partLine;
  if (!second.readLineBlock(1, &partLine)) return -1;
  const qint64 at = second.position();
  return at > 0 && at < size ? at : -1;
}

enum class Halves { NotSplit, Read, Failed };

// Runs readHalf(channel, half) on both halves of the script open on `first`
// when it has `splitFrom` bytes or more and a line starts in its second half:
// half 1 on `second` through the helper thread, half 0 on `first` here. A
// failed read puts the channel's reason in `failure`.
template <typename ReadHalf>
Halves readInHalves(HelperThread& helper, InputFile& first, InputFile& second, qint64 size,
                    qint64 splitFrom, ReadHalf readHalf, QString* failure) {
  if (size < splitFrom) return Halves::NotSplit;
  const qint64 boundary = openSecondHalf(first, second, size);
  if (second.failed()) {
    *failure = second.errorString();
    return Halves::Failed;
  }
  if (boundary <= 0) return Halves::NotSplit;
  first.stopAt(boundary);
  bool laterRead = false;
  helper.start([&] { laterRead = readHalf(second, 1); });
  const bool firstRead = readHalf(first, 0);
  helper.finish();
  if (!firstRead || !laterRead) {
    *failure = firstRead ? second.errorString() : first.errorString();
    return Halves::Failed;
  }
  return Halves::Read;
}

}  // namespace

bool PublicSubs::readScript(qint64 size, qint64 most, QString* failure) {
  // Only the lines that may hold a listed code are decoded and checked in
  // full. What the halves find is kept apart and reported in line order
  // once both have been read.
  read_.clear();
  InputFile second(files_);
  auto first = std::make_unique<RangeScan>(filter_, Tables);
  auto later = std::make_unique<RangeScan>(filter_, Tables);
  auto scan = [&](InputFile& channel, int half) {
    return (half == 0 ? *first : *later).run(channel, most);
  };
  switch (readInHalves(helper_, FileNumber1, second, size, splitFrom_, scan, failure)) {
    case Halves::Failed:
      return false;
    case Halves::Read:
      if (first->lines() + later->lines() <= most) {
        scriptBytes_ = second.position();
        read_.push_back(std::move(first));
        read_.push_back(std::move(later));
        return true;
      }
      // The script grew since it was counted: read it again in one piece,
      // up to its count.
      if (!FileNumber1.open(FileNumber1.path())) {
        *failure = FileNumber1.errorString();
        return false;
      }
      break;
    case Halves::NotSplit:
      break;
  }
  auto whole = std::make_unique<RangeScan>(filter_, Tables);
  if (!whole->run(FileNumber1, most)) {
    *failure = FileNumber1.errorString();
    return false;
  }
  scriptBytes_ = FileNumber1.position();
  read_.push_back(std::move(whole));
  return true;
}

qint64 PublicSubs::countScript(QString* failure) {
  // The counting read checks the lines too: when the checking read finds
  // the script unchanged, what this read found is what that one would find.
  filter_.build(Tables);
  if (!readScript(FileNumber1.size(), std::numeric_limits<qint64>::max(), failure)) return -1;
  qint64 lines = 0;
  for (const auto& scan : read_) lines += scan->lines();
  return lines;
}

bool PublicSubs::checkLines(bool unchanged, QString* failure) {
  if (!unchanged && !readScript(scriptBytes_, ScriptLineCount, failure)) return false;
  qint64 lines = 0;
  const QByteArray* lastLine = nullptr;
  for (const auto& scan : read_) {
    reportFound(*scan, 1 + lines);
    lines += scan->lines();
    if (scan->lines() > 0) lastLine = &scan->lastLine();
  }
  finishLines(lines, lastLine ? *lastLine : QByteArray());
  read_.clear();
  return true;
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
