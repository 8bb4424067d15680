#include "ScanRun.h"

#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <thread>

namespace {

// How far the threads may run ahead of the script being written, in
// scripts per thread, and how much of a script's report may wait before
// its thread waits too.
constexpr qint64 kScriptsAheadPerThread = 4;
constexpr qsizetype kMostWaiting = 1 << 20;
// A script's report is handed on in pieces of about this size.
constexpr qsizetype kPieceSize = 64 * 1024;

quint64 hitKey(TableKind table, qsizetype row) {
  return (quint64(table == TableKind::Params ? 1 : 0) << 48) | quint64(row);
}

}  // namespace

// One entry of the walk while it is being checked and written.
struct Part {
  ScriptEntry entry;
  QByteArray waiting;  // report text not yet written
  bool done = false;
  bool opened = false;  // the script was opened, so it has a part in the report
  qint64 lines = 0;
  qint64 alerts = 0;
  QString error;
  QHash<quint64, qint64> hits;
};

struct ScanRun::Shared {
  ScriptWalk* walk = nullptr;
  std::mutex mutex;
  std::condition_variable changed;
  bool walkEnded = false;
  bool stopping = false;
  qint64 taken = 0;                         // entries taken from the walk
  qint64 written = 0;                       // entries whose part has been written
  std::deque<std::unique_ptr<Part>> parts;  // from the first not yet written on
  qint64 mostAhead = 0;
  std::atomic<bool> helperBusy{false};
};

namespace {

// Formats a script's alerts on the thread that scans it, and hands the text
// on in pieces.
class PartSink : public AlertSink {
 public:
  PartSink(const ReportFormat& format, const Tables& tables, ScriptReport& report, Part& part,
           std::function<void(QByteArray&)> handOn)
      : format_(format),
        tables_(tables),
        report_(report),
        part_(part),
        handOn_(std::move(handOn)) {}

  void alert(const Alert& alert) override {
    format_.alert(alert, &report_, &text);
    ++report_.alerts;
    ++part_.hits[hitKey(alert.table, alert.row - tables_[alert.table].rows().data())];
    if (text.size() >= kPieceSize) handOn_(text);
  }

  QByteArray text;

 private:
  const ReportFormat& format_;
  const Tables& tables_;
  ScriptReport& report_;
  Part& part_;
  std::function<void(QByteArray&)> handOn_;
};

}  // namespace

ScanRun::ScanRun(const ScriptScanner& scanner, const Tables& tables, const ReportFormat& format,
                 DiskFileSystem& files, HelperThread* helper, RunSettings settings)
    : scanner_(scanner),
      tables_(tables),
      format_(format),
      files_(files),
      helper_(helper),
      settings_(settings) {}

ScanRun::~ScanRun() = default;

void ScanRun::work(Shared& shared) {
  ScanWorkspace workspace(scanner_);
  for (;;) {
    Part* part;
    {
      std::unique_lock<std::mutex> lock(shared.mutex);
      shared.changed.wait(lock, [&] {
        return shared.stopping || shared.walkEnded ||
               shared.taken < shared.written + shared.mostAhead;
      });
      if (shared.stopping || shared.walkEnded) return;
      ScriptEntry entry;
      if (!shared.walk->next(&entry)) {
        shared.walkEnded = true;
        shared.changed.notify_all();
        return;
      }
      shared.parts.push_back(std::make_unique<Part>());
      part = shared.parts.back().get();
      part->entry = std::move(entry);
      ++shared.taken;
    }

    // Hands a piece of the report on; a part far from its turn waits first.
    auto handOn = [&](QByteArray& text) {
      std::unique_lock<std::mutex> lock(shared.mutex);
      shared.changed.wait(lock, [&] {
        return shared.stopping || shared.parts.front().get() == part ||
               part->waiting.size() < kMostWaiting;
      });
      part->waiting += text;
      text.resize(0);
      shared.changed.notify_all();
    };

    QString error = part->entry.error;
    std::unique_ptr<ByteSource> source;
    if (error.isEmpty()) {
      source = part->entry.standardInput ? files_.openStandardInput(&error)
                                         : files_.openNative(part->entry.nativePath, &error);
    }
    if (!source) {
      std::lock_guard<std::mutex> lock(shared.mutex);
      part->error = error;
      part->done = true;
      shared.changed.notify_all();
      continue;
    }

    ScriptReport report;
    report.path = part->entry.path;
    PartSink sink(format_, tables_, report, *part, handOn);
    format_.openScript(&report, &sink.text);
    // A large script takes the helper thread too, when no other does.
    const bool withHelper =
        helper_ && source->size() >= ScriptScanner::kSplitFrom && !shared.helperBusy.exchange(true);
    const ScanResult scan =
        scanner_.scan(*source, sink, withHelper ? helper_ : nullptr, &workspace);
    if (withHelper) shared.helperBusy = false;
    source.reset();
    format_.closeScript(report, scan.lines, scan.error, &sink.text);

    std::lock_guard<std::mutex> lock(shared.mutex);
    part->waiting += sink.text;
    part->opened = true;
    part->lines = scan.lines;
    part->alerts = report.alerts;
    part->error = scan.error;
    part->done = true;
    shared.changed.notify_all();
  }
}

RunTotals ScanRun::run(ScriptWalk& walk, ReportOutput& output, RunMessages& messages) {
  Shared shared;
  shared.walk = &walk;
  shared.mostAhead = kScriptsAheadPerThread * settings_.jobs;
  RunTotals totals;
  std::map<quint64, qint64> hits;

  QByteArray text;
  format_.begin(&text);
  output.write(text);
  // Of a JSON array's elements, the first written goes without its separator.
  bool separatorDue = format_.partsStartWithSeparator();
  auto write = [&](QByteArray& bytes) {
    if (separatorDue && !bytes.isEmpty()) {
      bytes.remove(0, 1);
      separatorDue = false;
    }
    output.write(bytes);
  };

  std::vector<std::thread> threads;
  for (int i = 0; i < settings_.jobs; ++i) threads.emplace_back([&] { work(shared); });

  for (;;) {
    std::unique_ptr<Part> finished;
    QByteArray bytes;
    {
      std::unique_lock<std::mutex> lock(shared.mutex);
      shared.changed.wait(lock, [&] {
        return (shared.walkEnded && shared.parts.empty()) ||
               (!shared.parts.empty() &&
                (shared.parts.front()->done || !shared.parts.front()->waiting.isEmpty()));
      });
      if (shared.parts.empty()) break;
      Part& first = *shared.parts.front();
      bytes.swap(first.waiting);
      if (first.done) {
        finished = std::move(shared.parts.front());
        shared.parts.pop_front();
        ++shared.written;
      }
      shared.changed.notify_all();
    }
    write(bytes);
    if (output.failed()) {
      std::lock_guard<std::mutex> lock(shared.mutex);
      shared.stopping = true;
      shared.walkEnded = true;
      shared.changed.notify_all();
      break;
    }
    if (!finished) continue;

    const Part& part = *finished;
    totals.alerts += part.alerts;
    if (part.alerts > 0) ++totals.scriptsWithAlerts;
    for (auto it = part.hits.cbegin(); it != part.hits.cend(); ++it) hits[it.key()] += it.value();
    if (part.opened) messages.scriptDone(part.entry.path, part.alerts, part.error);
    if (part.error.isEmpty()) {
      ++totals.scripts;
      continue;
    }
    const ScriptFailure failure{part.entry.path, part.error};
    totals.failures.append(failure);
    if (!part.opened) messages.pathFailed(failure);
    QByteArray failureText;
    format_.failure(failure, &failureText);
    write(failureText);
  }
  for (std::thread& thread : threads) thread.join();

  for (const auto& [key, count] : hits) {
    totals.hits.push_back({(key >> 48) ? TableKind::Params : TableKind::Tags,
                           qsizetype(key & ((quint64(1) << 48) - 1)), count});
  }
  text.clear();
  format_.end(totals, &text);
  output.write(text);
  return totals;
}
