#include "ScanRun.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <thread>
#include <utility>

#include <QHash>
#include <QSet>

#include "JoinedLines.h"

namespace {

// How much of a script's report may wait before its thread waits too.
constexpr qsizetype kMostWaiting = 1 << 20;
// A script's report is handed on in pieces of about this size.
constexpr qsizetype kPieceSize = 64 * 1024;
// A thread takes this many scripts at a time, and tells of them together:
// each time the threads meet costs more than checking a small script. The
// threads may run this many takes each ahead of the script being written.
constexpr int kScriptsATake = 8;
constexpr qint64 kTakesAhead = 4;

// A row's alerts in the run, and the scripts they are in.
struct RowCounts {
  qint64 alerts = 0;  // not silenced
  qint64 silenced = 0;
  qint64 scripts = 0;  // with an alert not silenced
};

quint64 hitKey(TableKind table, qsizetype row) {
  return (quint64(table == TableKind::Params ? 1 : 0) << 48) | quint64(row);
}

// Whether `d` fails the run: an error always; a warning of a table row, of
// joined lines or of a directive that silences nothing; info never.
bool failsRun(const Diagnostic& d) {
  if (d.silenced != Diagnostic::Silenced::No) return false;
  switch (d.severity()) {
    case Severity::Error:
      return true;
    case Severity::Warning:
      return d.rule == Rule::TableRow || d.rule == Rule::LineEnds ||
             d.rule == Rule::UnusedDisable || d.rule == Rule::UnknownCode;
    case Severity::Info:
      break;
  }
  return false;
}

}  // namespace

// One entry of the walk while it is being checked and written.
struct Part {
  ScriptEntry entry;
  qint64 place = 0;  // in the walk's order
  // The file opened, when it has a name of its own: a part whose file an
  // earlier part opened too is dropped.
  std::optional<FileIdentity> file;
  QByteArray waiting;  // report text not yet written
  bool done = false;
  bool opened = false;  // the script was opened, so it has a part in the report
  qint64 lines = 0;
  qint64 alerts = 0;  // not silenced
  qint64 silenced = 0;
  QString error;
  QHash<quint64, std::pair<qint64, qint64>> hits;  // row -> alerts not silenced, silenced
  QHash<QString, qint64> recorded;                 // for a baseline being written
  std::optional<JoinedLines> joinedRecorded;       // with its line-ends diagnostic
  qint64 directiveWarnings = 0;
  qint64 failing = 0;
  bool linesJoined = false;           // told that its lines end in LF alone
  quint32 rules = 0;                  // the rules other than table rows it gave
  std::vector<Diagnostic> toldAside;  // diagnostics the format does not carry
};

struct ScanRun::Shared {
  ScriptEntries* walk = nullptr;
  ReportOutput* output = nullptr;
  RunMessages* messages = nullptr;
  std::mutex mutex;
  std::condition_variable changed;
  int waiting = 0;  // threads waiting on `changed`
  bool walkEnded = false;
  bool stopping = false;
  bool writing = false;                     // a thread is writing the parts that are ready
  qint64 taken = 0;                         // entries taken from the walk
  qint64 written = 0;                       // entries whose part has been written
  std::deque<std::unique_ptr<Part>> parts;  // from the first not yet written on
  qint64 mostAhead = 0;
  std::atomic<bool> helperBusy{false};
  // Starts the other threads; called, and then cleared, when the walk
  // yields a second script, so that a run of one script starts none.
  std::function<void()> startOthers;
  // Each file of the parts done, and the earliest place in the walk it was
  // opened from. A part is done before any later one is written, so when a
  // part is to be written, every earlier opening of its file is here.
  // A hash, not a tree: one entry a script, and as few bytes each as may
  // be, so that a tree of many scripts costs little more memory than a few.
  QHash<std::pair<quint64, quint64>, qint64> firstPlaces;

  void noteFile(const Part& part) {
    if (!part.file) return;
    const std::pair<quint64, quint64> key{part.file->device, part.file->inode};
    const auto at = firstPlaces.find(key);
    if (at == firstPlaces.end()) {
      firstPlaces.insert(key, part.place);
    } else {
      *at = std::min(*at, part.place);
    }
  }
  bool metBefore(const Part& part) const {
    if (!part.file) return false;
    const auto found = firstPlaces.constFind({part.file->device, part.file->inode});
    return found != firstPlaces.cend() && *found < part.place;
  }

  // Kept by the writing thread alone.
  bool separatorDue = false;
  RunTotals totals;
  std::map<quint64, RowCounts> hits;
  // The paths that could not be opened, told of already: such a path is
  // known by its name alone, and told of once however often it is met.
  QSet<QString> unopenedTold;

  void wait(std::unique_lock<std::mutex>& lock) {
    ++waiting;
    changed.wait(lock);
    --waiting;
  }
  void wakeWaiting() {
    if (waiting > 0) changed.notify_all();
  }
};

namespace {

// Formats a script's diagnostics on the thread that scans it, and hands the
// text on in pieces.
class PartSink : public DiagnosticSink {
 public:
  PartSink(const ReportFormat& format, const Tables& tables, ScriptReport& report, Part& part,
           bool recording, std::function<void(QByteArray&)> handOn)
      : format_(format),
        tables_(tables),
        report_(report),
        part_(part),
        recording_(recording),
        handOn_(std::move(handOn)) {}

  void diagnostic(const Diagnostic& d) override {
    if (failsRun(d)) ++part_.failing;
    if (!d.isTableAlert()) return other(d);
    format_.diagnostic(d, &report_, &text);
    auto& hits = part_.hits[hitKey(d.table, d.row - tables_[d.table].rows().data())];
    if (d.silenced == Diagnostic::Silenced::No) {
      ++report_.alerts;
      ++hits.first;
      if (recording_) ++part_.recorded[Baseline::keyOf(d)];
    } else {
      ++part_.silenced;
      ++hits.second;
    }
    if (text.size() >= kPieceSize) handOn_(text);
  }

  void joinedLines(const JoinedLines& held) override {
    if (recording_) joined_ = held;
  }

  QByteArray text;

 private:
  void other(const Diagnostic& d) {
    const bool silenced = d.silenced != Diagnostic::Silenced::No;
    // A script read as fewer lines than it has was not checked as its
    // writer meant: that fails a run as an alert does, though it is no
    // table alert and so not counted as one.
    if (d.rule == Rule::LineEnds) {
      if (silenced) {
        ++part_.silenced;
      } else {
        part_.linesJoined = true;
        // Recorded instead of reported, as an alert is.
        if (recording_) {
          ++part_.recorded[Baseline::keyOf(d)];
          part_.joinedRecorded = joined_;
          return;
        }
      }
    }
    if (!silenced && (d.rule == Rule::UnusedDisable || d.rule == Rule::UnknownCode))
      ++part_.directiveWarnings;
    if (!format_.carriesEveryRule()) {
      if (!silenced) part_.toldAside.push_back(d);
      return;
    }
    part_.rules |= quint32(1) << int(d.rule);
    format_.diagnostic(d, &report_, &text);
  }

  const ReportFormat& format_;
  const Tables& tables_;
  ScriptReport& report_;
  Part& part_;
  const bool recording_;
  std::function<void(QByteArray&)> handOn_;
  std::optional<JoinedLines> joined_;
};

}  // namespace

ScanRun::ScanRun(const ScriptCheck& check, const ReportFormat& format, FileSystem& files,
                 HelperThread* helper, RunSettings settings)
    : check_(check), format_(format), files_(files), helper_(helper), settings_(settings) {}

ScanRun::~ScanRun() = default;

void ScanRun::writeReady(Shared& shared, std::unique_lock<std::mutex>& lock) {
  if (shared.writing) return;
  shared.writing = true;
  while (!shared.stopping && !shared.parts.empty() &&
         (shared.parts.front()->done || !shared.parts.front()->waiting.isEmpty())) {
    std::unique_ptr<Part> finished;
    QByteArray bytes;
    Part& first = *shared.parts.front();
    if (shared.metBefore(first)) {
      // Every earlier part is written, so the file's first name is known.
      first.waiting.clear();
      if (first.done) {
        shared.parts.pop_front();
        ++shared.written;
      }
      continue;
    }
    bytes.swap(first.waiting);
    if (first.done) {
      finished = std::move(shared.parts.front());
      shared.parts.pop_front();
      ++shared.written;
    }
    lock.unlock();

    // Of a JSON array's elements, the first written goes without its separator.
    if (shared.separatorDue && !bytes.isEmpty()) {
      bytes.remove(0, 1);
      shared.separatorDue = false;
    }
    shared.output->write(bytes);
    if (finished && !finished->opened && !finished->error.isEmpty()) {
      const qsizetype told = shared.unopenedTold.size();
      shared.unopenedTold.insert(finished->entry.path);
      if (shared.unopenedTold.size() == told) finished.reset();
    }
    if (finished) {
      const Part& part = *finished;
      RunTotals& totals = shared.totals;
      totals.alerts += part.alerts;
      totals.silenced += part.silenced;
      if (part.alerts > 0) ++totals.scriptsWithAlerts;
      for (auto it = part.hits.cbegin(); it != part.hits.cend(); ++it) {
        RowCounts& hits = shared.hits[it.key()];
        hits.alerts += it.value().first;
        hits.silenced += it.value().second;
        if (it.value().first > 0) ++hits.scripts;
      }
      if (settings_.record && !part.recorded.isEmpty())
        settings_.record->add(part.entry.path, part.recorded,
                              part.joinedRecorded ? &*part.joinedRecorded : nullptr);
      totals.directiveWarnings += part.directiveWarnings;
      totals.failing += part.failing;
      if (part.linesJoined) ++totals.scriptsWithLinesJoined;
      totals.rules |= part.rules;
      for (const Diagnostic& d : part.toldAside) shared.messages->diagnostic(d);
      if (part.opened) shared.messages->scriptDone(part.entry.path, part.alerts, part.error);
      if (part.entry.brokenLink) {
        shared.messages->linkPassedOver({part.entry.path, part.error});
      } else if (part.error.isEmpty()) {
        ++totals.scripts;
      } else {
        const ScriptFailure failure{part.entry.path, part.error};
        totals.failures.append(failure);
        if (!part.opened) shared.messages->pathFailed(failure);
        QByteArray failureText;
        format_.failure(failure, &failureText);
        shared.output->write(failureText);
      }
    }
    const bool failed = shared.output->failed();
    lock.lock();
    if (failed) {
      shared.stopping = true;
      shared.walkEnded = true;
    }
  }
  shared.writing = false;
  shared.wakeWaiting();
}

void ScanRun::work(Shared& shared) {
  ScanWorkspace workspace(check_.scanner());
  std::vector<Part*> taken;
  std::vector<QByteArray> texts;
  for (;;) {
    taken.clear();
    {
      std::unique_lock<std::mutex> lock(shared.mutex);
      while (!shared.stopping && !shared.walkEnded &&
             shared.taken >= shared.written + shared.mostAhead) {
        shared.wait(lock);
      }
      while (!shared.stopping && !shared.walkEnded && int(taken.size()) < kScriptsATake &&
             shared.taken < shared.written + shared.mostAhead) {
        ScriptEntry entry;
        if (!shared.walk->next(&entry)) {
          shared.walkEnded = true;
          shared.wakeWaiting();
          break;
        }
        shared.parts.push_back(std::make_unique<Part>());
        shared.parts.back()->entry = std::move(entry);
        shared.parts.back()->place = shared.taken;
        taken.push_back(shared.parts.back().get());
        if (++shared.taken == 2 && shared.startOthers) std::exchange(shared.startOthers, {})();
      }
      if (taken.empty()) return;
    }
    texts.resize(taken.size());
    for (std::size_t i = 0; i < taken.size(); ++i) texts[i] = check(shared, *taken[i], workspace);
    std::unique_lock<std::mutex> lock(shared.mutex);
    for (std::size_t i = 0; i < taken.size(); ++i) {
      taken[i]->waiting += texts[i];
      taken[i]->done = true;
      shared.noteFile(*taken[i]);
    }
    writeReady(shared, lock);
  }
}

QByteArray ScanRun::check(Shared& shared, Part& part, ScanWorkspace& workspace) {
  // Hands a piece of the report on: written at once when every earlier
  // part has been; otherwise kept, or waited with when too much is kept.
  auto handOn = [&](QByteArray& text) {
    std::unique_lock<std::mutex> lock(shared.mutex);
    while (!shared.stopping && shared.parts.front().get() != &part &&
           part.waiting.size() >= kMostWaiting) {
      shared.wait(lock);
    }
    part.waiting += text;
    text.resize(0);
    if (shared.parts.front().get() == &part) writeReady(shared, lock);
  };

  QString error = part.entry.error;
  std::unique_ptr<ByteSource> source;
  if (error.isEmpty()) {
    source = part.entry.standardInput ? files_.openStandardInput(&error)
             : part.entry.listedFile  ? files_.openListedFile(part.entry.nativePath, &error)
                                      : files_.openNative(part.entry.nativePath, &error);
  }
  if (!source) {
    part.error = error;
    return QByteArray();
  }
  if (FileIdentity file; !part.entry.standardInput && source->identity(&file)) part.file = file;
  ScriptReport report;
  report.path = part.entry.path;
  PartSink sink(format_, check_.tables(), report, part, settings_.record != nullptr, handOn);
  format_.openScript(&report, &sink.text);
  // A large script takes the helper thread too, when no other has it.
  const bool withHelper =
      helper_ && source->size() >= ScriptScanner::kSplitFrom && !shared.helperBusy.exchange(true);
  const ScanResult scan =
      check_.check(*source, part.entry.path, sink, withHelper ? helper_ : nullptr, &workspace);
  if (withHelper) shared.helperBusy = false;
  source.reset();
  format_.closeScript(report, scan.lines, scan.error, &sink.text);
  part.opened = true;
  part.lines = scan.lines;
  part.alerts = report.alerts;
  part.error = scan.error;
  return std::move(sink.text);
}

RunTotals ScanRun::run(ScriptEntries& walk, ReportOutput& output, RunMessages& messages) {
  Shared shared;
  shared.walk = &walk;
  shared.output = &output;
  shared.messages = &messages;
  shared.mostAhead = kTakesAhead * kScriptsATake * settings_.jobs;
  shared.separatorDue = format_.partsStartWithSeparator();

  QByteArray text;
  format_.begin(&text);
  output.write(text);
  std::vector<std::thread> threads;
  if (settings_.jobs > 1) {
    shared.startOthers = [&] {
      for (int i = 1; i < settings_.jobs; ++i) threads.emplace_back([&] { work(shared); });
    };
  }
  work(shared);
  for (std::thread& thread : threads) thread.join();

  RunTotals totals = std::move(shared.totals);
  for (const auto& [key, counts] : shared.hits) {
    totals.hits.push_back({(key >> 48) ? TableKind::Params : TableKind::Tags,
                           qsizetype(key & ((quint64(1) << 48) - 1)), counts.alerts,
                           counts.silenced, counts.scripts});
  }
  text.clear();
  format_.end(totals, &text);
  output.write(text);
  return totals;
}
