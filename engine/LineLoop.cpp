#include <atomic>
#include <limits>
#include <memory>
#include <vector>

#include "PublicSubs.h"
#include "RangeScan.h"

// A large script is read in stretches that start at line starts, both when
// its lines are counted and when they are checked: more stretches than
// threads, each taken by whichever of the two is free, so that neither waits
// long for the other however the work falls between them.

namespace {

constexpr int kStretches = 32;

// Opens `probe` on the script of `first` and finds where its stretches
// start: at 0, and after the line that holds the byte before each k/32 of its
// `size` bytes, as far as such a line ends before the end; a long line may
// leave fewer stretches. Empty when the probe failed.
std::vector<qint64> stretchStarts(const InputFile& first, InputFile& probe, qint64 size) {
  if (!probe.open(first.path())) return {};
  std::vector<qint64> starts{0};
  for (int k = 1; k < kStretches; ++k) {
    const qint64 from = size * k / kStretches - 1;
    if (from < starts.back()) continue;  // the previous stretch starts past it
    const qint64 at = probe.lineStartAfter(from);
    if (at <= starts.back() || at >= size) break;
    starts.push_back(at);
  }
  if (probe.failed()) return {};
  return starts;
}

// Reads the stretches that begin at `starts`, the last one running to the
// end: `first` on this thread reads the first stretch, then it and `second`
// through the helper each take the next stretch not yet taken, placed at its
// start and stopped at its end; readStretch(channel, k) reads stretch k.
// Returns the lowest stretch whose read failed, with the channel's reason in
// `failure`, or -1.
template <typename ReadStretch>
int readStretches(HelperThread& helper, InputFile& first, InputFile& second,
                  const std::vector<qint64>& starts, ReadStretch readStretch, QString* failure) {
  const int n = int(starts.size());
  std::atomic<int> next{1};
  std::vector<QString> reasons(n);  // each written by the thread that took the stretch
  auto work = [&](InputFile& channel, int k) {
    for (; k < n; k = next++) {
      channel.stopAt(k + 1 < n ? starts[k + 1] : -1);
      if (!channel.skipTo(starts[k]) || !readStretch(channel, k)) {
        reasons[k] = channel.errorString();
        return;
      }
    }
  };
  helper.start([&] { work(second, next++); });
  work(first, 0);
  helper.finish();
  for (int k = 0; k < n; ++k) {
    if (!reasons[k].isEmpty()) {
      *failure = reasons[k];
      return k;
    }
  }
  return -1;
}

}  // namespace

bool PublicSubs::readScript(qint64 size, qint64 most, QString* failure) {
  // Only the lines that may hold a listed code are decoded and checked in
  // full. What each stretch finds is kept apart and reported in line order
  // once all have been read.
  read_.clear();
  if (size >= splitFrom_) {
    InputFile second(files_);
    const std::vector<qint64> starts = stretchStarts(FileNumber1, second, size);
    if (starts.empty()) {
      *failure = second.errorString();
      return false;
    }
    if (starts.size() > 1) {
      const int n = int(starts.size());
      for (int k = 0; k < n; ++k) read_.push_back(std::make_unique<RangeScan>(filter_, Tables));
      qint64 end = -1;
      auto readStretch = [&](InputFile& channel, int k) {
        if (!read_[k]->run(channel, most)) return false;
        if (k == n - 1) end = channel.position();
        return true;
      };
      if (readStretches(helper_, FileNumber1, second, starts, readStretch, failure) >= 0) {
        read_.clear();
        return false;
      }
      if (linesRead() <= most) {
        scriptBytes_ = end;
        return true;
      }
      // The script grew since it was counted: read it again in one piece,
      // up to its count.
      read_.clear();
      if (!FileNumber1.open(FileNumber1.path())) {
        *failure = FileNumber1.errorString();
        return false;
      }
    }
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
  return linesRead();
}

qint64 PublicSubs::linesRead() const {
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
