#include "ScriptScanner.h"

#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

#include "LineBlockReader.h"
#include "LongLineCheck.h"
#include "StretchPlan.h"
#include "StretchScan.h"
#include "TextLines.h"

namespace {

// A stretch read by either thread waits here until the calling thread has
// handed it over. The threads take stretches in order, and no more than
// this many past the first one not yet handed over; nor more than one past
// it while what the stretches read found holds this many bytes, so that
// what waits stays small however many alerts a stretch holds.
constexpr int kStretchesAhead = 8;
constexpr qsizetype kMostFoundBytes = qsizetype(8) << 20;
// What a scan may have found and still keep its buffers for the next stretch.
constexpr qsizetype kKeptFoundBytes = qsizetype(256) << 10;

// The stretches of one scan and how far each has got.
class StretchQueue {
 public:
  StretchQueue(std::vector<qint64> starts, qint64 size) : starts_(std::move(starts)), size_(size) {
    done_.resize(starts_.size());
    errors_.resize(starts_.size());
  }

  int count() const { return int(starts_.size()); }
  qint64 begin(int k) const { return starts_[std::size_t(k)]; }
  qint64 end(int k) const { return k + 1 < count() ? begin(k + 1) : size_; }

  // For the helper thread: the next stretch to read, waiting while too
  // many wait to be handed over; -1 when none is left or a read failed.
  int take() {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [this] { return !mayTakeLater() || hasRoom(); });
    return mayTakeLater() ? next_++ : -1;
  }

  // For the calling thread, which hands the stretches over: the next
  // stretch to read, or -1 once the next one to hand over has been read,
  // waiting for it when it may not read another.
  int takeOrWait() {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
      if (done_[std::size_t(handedOver_)]) return -1;
      // Past the limit, or with none left, the stretch to hand over is the
      // helper's, which it is reading.
      if (mayTakeLater() && hasRoom()) return next_++;
      changed_.wait(lock);
    }
  }

  // Stretch k has been read, with `error` empty or the reason it failed;
  // what it found holds `foundBytes`.
  void finish(int k, QString error, qsizetype foundBytes) {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      foundBytes_ += foundBytes;
      if (!error.isEmpty()) stopped_ = true;
      errors_[std::size_t(k)] = std::move(error);
      done_[std::size_t(k)] = true;
    }
    changed_.notify_all();
  }

  // The next stretch to hand over; only the calling thread moves it on.
  int nextToHandOver() const { return handedOver_; }
  // The reason it failed, or empty, once it has been read.
  QString errorOfNext() {
    std::lock_guard<std::mutex> lock(mutex_);
    return errors_[std::size_t(handedOver_)];
  }
  // The next stretch, whose finds held `foundBytes`, has been handed over.
  void handedOver(qsizetype foundBytes) {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      foundBytes_ -= foundBytes;
      ++handedOver_;
    }
    changed_.notify_all();
  }

 private:
  const std::vector<qint64> starts_;
  const qint64 size_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<bool> done_;
  std::vector<QString> errors_;
  int next_ = 0;
  int handedOver_ = 0;
  bool stopped_ = false;      // a read failed: no stretch after it is wanted
  qsizetype foundBytes_ = 0;  // held by the stretches read and not handed over

  bool mayTakeLater() const { return !stopped_ && next_ < count(); }
  bool hasRoom() const {
    return next_ < handedOver_ + (foundBytes_ > kMostFoundBytes ? 2 : kStretchesAhead);
  }
};

// Hands the next block of `reader` to `scan`. A line too long to hold is
// followed a piece at a time in `longLine`, and read again whole only when
// it may matter. False at the end, or when a read failed.
bool checkNext(LineBlockReader& reader, StretchScan& scan, LongLineCheck& longLine) {
  QByteArrayView block;
  if (!reader.next(&block)) return false;
  using Block = LineBlockReader::Block;
  switch (reader.block()) {
    case Block::Lines:
      scan.check(block);
      break;
    case Block::LongLineStart:
      longLine.restart();
      longLine.feed(block, false);
      break;
    case Block::LongLineMiddle:
      longLine.feed(block, false);
      break;
    case Block::LongLineEnd: {
      longLine.feed(block.endsWith(textlines::kLineEnd) ? block.chopped(1) : block, true);
      // The stretch's first lone LF needs its column, which the whole line tells.
      const bool firstLoneLineFeed = longLine.lineFeeds() > 0 && scan.loneLineFeeds().count == 0;
      if (!longLine.mayMatter() && !firstLoneLineFeed) {
        scan.passLine(longLine.lineFeeds());
        break;
      }
      QByteArray whole;
      if (!reader.readLongLine(&whole)) return false;
      scan.check(whole);
      break;
    }
  }
  return true;
}

// Reads every block of `reader` into `scan`; the reader's reason when a
// read failed, else empty.
QString readInto(LineBlockReader& reader, StretchScan& scan, const Tables& tables) {
  LongLineCheck longLine(tables);
  while (checkNext(reader, scan, longLine)) {
  }
  return reader.error();
}

}  // namespace

ScriptScanner::ScriptScanner(const Tables& tables) : tables_(tables) {
  filter_.build(tables);
}

ScanWorkspace::ScanWorkspace(const ScriptScanner& scanner)
    : scan_(std::make_unique<StretchScan>(scanner.filter_, scanner.tables_)) {}

ScanWorkspace::~ScanWorkspace() = default;

ScanResult ScriptScanner::scan(ByteSource& script, DiagnosticSink& sink, HelperThread* helper,
                               ScanWorkspace* workspace) const {
  if (helper && script.size() >= splitFrom_) return scanInStretches(script, sink, *helper);
  if (workspace) return scanInOnePiece(script, sink, *workspace);
  ScanWorkspace own(*this);
  return scanInOnePiece(script, sink, own);
}

ScanResult ScriptScanner::scanInOnePiece(ByteSource& script, DiagnosticSink& sink,
                                         ScanWorkspace& workspace) const {
  LineBlockReader reader(script, workspace.readBuffer_);
  reader.setLongLine(longLine_);
  StretchScan& scan = *workspace.scan_;
  scan.restart();
  LongLineCheck longLine(tables_);
  while (checkNext(reader, scan, longLine)) {
    if (scan.hasFound()) scan.handOver(1, sink);
  }
  ScanResult result{scan.lines(), reader.error(), scan.loneLineFeeds()};
  if (reader.lineTooLong())
    result.error = QStringLiteral("line %1: %2").arg(scan.lines() + 1).arg(result.error);
  // A buffer grown for one very long line of a stream is not kept for the
  // next script.
  if (workspace.readBuffer_.capacity() > kKeptBuffer) workspace.readBuffer_ = QByteArray();
  return result;
}

ScanResult ScriptScanner::scanInStretches(ByteSource& script, DiagnosticSink& sink,
                                          HelperThread& helper) const {
  const qint64 size = script.size();
  std::vector<qint64> starts;
  QString error;
  if (!planStretches(script, size, stretchBytes_, &starts, &error)) return {0, error, {}};
  StretchQueue queue(std::move(starts), size);
  // No more stretches are read and not handed over than the queue lets
  // run ahead, so that that many scans serve them all in turn, each keeping its
  // buffers: stretch k's is slot k % kStretchesAhead, free again once stretch
  // k - kStretchesAhead has been handed over.
  std::vector<std::optional<StretchScan>> read(
      std::size_t(std::min(queue.count(), kStretchesAhead)));
  auto slotOf = [&read](int k) -> std::optional<StretchScan>& {
    return read[std::size_t(k) % read.size()];
  };

  // Either thread reads the next stretch not yet taken, on its own reader
  // of the one open script, into a buffer of its own.
  QByteArray buffers[2];
  auto readOne = [&](int k, QByteArray& buffer) {
    LineBlockReader reader(script, queue.begin(k), queue.end(k), buffer);
    reader.setLongLine(longLine_);
    std::optional<StretchScan>& slot = slotOf(k);
    if (!slot) slot.emplace(filter_, tables_);
    StretchScan& scan = *slot;
    scan.restart();
    QString failed = readInto(reader, scan, tables_);
    queue.finish(k, std::move(failed), scan.foundBytes());
  };
  helper.start([&] {
    for (int k; (k = queue.take()) >= 0;) readOne(k, buffers[1]);
  });

  // This thread reads stretches too, and between them hands over, in order,
  // every stretch that has been read.
  ScanResult result;
  while (queue.nextToHandOver() < queue.count()) {
    if (const int k = queue.takeOrWait(); k >= 0) {
      readOne(k, buffers[0]);
      continue;
    }
    const int k = queue.nextToHandOver();
    if (QString failed = queue.errorOfNext(); !failed.isEmpty()) {
      result.error = failed;
      break;
    }
    std::optional<StretchScan>& slot = slotOf(k);
    const qsizetype foundBytes = slot->foundBytes();
    slot->handOver(result.lines + 1, sink);
    result.loneLineFeeds.addAfter(slot->loneLineFeeds(), result.lines);
    result.lines += slot->lines();
    // A stretch of many alerts leaves its scan large; every slot kept so
    // would hold that many times the room while only two run ahead.
    if (foundBytes > kKeptFoundBytes) slot.reset();
    queue.handedOver(foundBytes);
  }
  helper.finish();
  return result;
}
