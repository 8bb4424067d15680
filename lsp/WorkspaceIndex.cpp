#include "WorkspaceIndex.h"

#include <condition_variable>
#include <deque>
#include <mutex>

#include <QDir>
#include <QFileInfo>
#include <QUrl>

#include "DiskFileSystem.h"
#include "DocumentCheck.h"
#include "EditorText.h"
#include "LineEndSource.h"
#include "MemorySource.h"
#include "ScriptWalk.h"
#include "TextPositions.h"

namespace {

// A script is read whole to find its positions; one larger than this is
// left out rather than held in memory on every worker thread.
constexpr qint64 kMostScriptBytes = qint64(256) << 20;
// Folders made or deleted come in bursts, a checkout's or an unpacking's.
constexpr int kRebuildDelayMilliseconds = 200;

const QString kScriptExtension = QStringLiteral(".csm");

class RowAlerts : public DiagnosticSink {
 public:
  void diagnostic(const Diagnostic& d) override {
    if (d.rule == Rule::LineEnds) linesJoined = true;
    if (d.row && d.silenced == Diagnostic::Silenced::No) kept.push_back(d);
  }
  std::vector<Diagnostic> kept;
  bool linesJoined = false;  // a lone LF inside a line: the editor's lines are not the check's
};

// The UTF-16 units of the UTF-8 bytes from `from` to `to`: one for each
// byte that starts a character, two for one of four bytes.
quint32 unitsBetween(QByteArrayView text, qint64 from, qint64 to) {
  quint32 units = 0;
  for (qint64 i = from; i < to; ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    units += (c & 0xC0) == 0x80 ? 0 : c >= 0xF0 ? 2 : 1;
  }
  return units;
}

QString pathOf(const QString& uri) {
  const QUrl url(uri);
  return url.isLocalFile() ? QDir::cleanPath(url.toLocalFile()) : QString();
}

// Reads a script whole; false with the reason when it cannot.
bool readScript(std::unique_ptr<ByteSource> source, QByteArray* bytes, QString* error) {
  if (!source) return false;
  if (source->size() > kMostScriptBytes) {
    *error = QStringLiteral("larger than %1 MiB, left out of the workspace's alerts")
                 .arg(kMostScriptBytes >> 20);
    return false;
  }
  return readAll(*source, bytes, error);
}

}  // namespace

// A walk of the workspace and the checks of what it found, shared by the
// threads that check the scripts as the walk finds them.
struct WorkspaceIndex::Build {
  struct Checked {
    QString path;
    Alerts alerts;
    QString error;  // why it was left out
  };
  std::shared_ptr<const CheckSetup> setup;
  QString workspace;
  std::atomic<bool> stop{false};
  std::mutex mutex;
  std::condition_variable changed;  // a script was found, or the walk is over
  std::deque<ScriptEntry> found;    // and not yet taken
  bool walked = false;
  QStringList walkErrors;
  std::vector<std::vector<Checked>> checked;  // one list for each thread
  std::atomic<int> working{0};

  // The next script to check; false once the walk is over and every
  // script it found is taken, or the build is to stop.
  bool take(ScriptEntry* entry) {
    std::unique_lock<std::mutex> lock(mutex);
    changed.wait(lock, [this] { return !found.empty() || walked; });
    if (found.empty() || stop) return false;
    *entry = std::move(found.front());
    found.pop_front();
    return true;
  }
  void add(ScriptEntry entry) {
    {
      const std::lock_guard<std::mutex> lock(mutex);
      found.push_back(std::move(entry));
    }
    changed.notify_one();
  }
  void walkOver() {
    {
      const std::lock_guard<std::mutex> lock(mutex);
      walked = true;
    }
    changed.notify_all();
  }
};

WorkspaceIndex::WorkspaceIndex(MainThreadQueue& queue, TextOf textOf, Failed failed, int threads)
    : queue_(queue),
      textOf_(std::move(textOf)),
      failed_(std::move(failed)),
      threadCount_(threads),
      threads_(threads) {
  rebuildTimer_.setSingleShot(true);
  QObject::connect(&rebuildTimer_, &QTimer::timeout, [this] { startBuild(); });
}

WorkspaceIndex::~WorkspaceIndex() {
  if (build_) build_->stop = true;
}

void WorkspaceIndex::setWorkspace(const QString& folder) {
  workspace_ = QDir::cleanPath(folder);
  startBuild();
}

void WorkspaceIndex::setSetup(std::shared_ptr<const CheckSetup> setup) {
  setup_ = std::move(setup);
  // What the editor's texts gave was found with the rows of the setup
  // before; they are checked again with the new one.
  for (auto& [path, script] : open_) {
    script.alerts.clear();
    indexOpen(script.uri, path);
  }
  startBuild();
}

void WorkspaceIndex::edited(const QString& uri) {
  const QString path = pathOf(uri);
  if (path.isEmpty()) return;
  open_[path].uri = uri;
  indexOpen(uri, path);
}

void WorkspaceIndex::closed(const QString& uri) {
  const QString path = pathOf(uri);
  if (open_.erase(path) == 0) return;
  // The editor may have saved it, and no watcher told.
  if (disk_.count(path) > 0) indexFile(path);
}

void WorkspaceIndex::fileChanged(const QString& uri, FileChange change) {
  const QString path = pathOf(uri);
  if (path.isEmpty() || !(path + u'/').startsWith(workspace_ + u'/')) return;
  if (!path.endsWith(kScriptExtension, Qt::CaseInsensitive)) {
    // A folder: what it held went with it, and one made may hold scripts.
    // A walk under way may have taken what was there: the workspace is
    // walked again.
    if (change == FileChange::Deleted && !building_) {
      const QString below = path + u'/';
      for (auto it = disk_.lower_bound(below); it != disk_.end() && it->first.startsWith(below);)
        it = disk_.erase(it);
    } else if ((building_ && change == FileChange::Deleted) ||
               (change == FileChange::Created && QFileInfo(path).isDir())) {
      rebuildTimer_.start(kRebuildDelayMilliseconds);
    }
    return;
  }
  if (change == FileChange::Deleted && !building_) {
    disk_.erase(path);
    diskTickets_.erase(path);
    return;
  }
  if (disk_.count(path) > 0 || isWorkspaceScript(path)) indexFile(path);
}

bool WorkspaceIndex::isWorkspaceScript(const QString& path) const {
  if (!setup_ || !path.endsWith(kScriptExtension, Qt::CaseInsensitive)) return false;
  const QString relative = QDir(workspace_).relativeFilePath(path);
  if (relative.startsWith(QStringLiteral("../"))) return false;
  // Hidden folders are passed over, as the walk passes them over.
  const QStringList parts = relative.split(u'/');
  for (qsizetype i = 0; i + 1 < parts.size(); ++i) {
    if (parts[i].startsWith(u'.')) return false;
  }
  return !setup_->excludes.excludes(path);
}

void WorkspaceIndex::whenReady(std::function<void()> then) {
  if (ready()) return then();
  waiting_.push_back(std::move(then));
}

WorkspaceIndex::Alerts WorkspaceIndex::alertsIn(const CheckSetup& setup, const QByteArray& text,
                                                ScanWorkspace* workspace) {
  MemorySource source(text);
  RowAlerts found;
  setup.check.check(source, QString(), found, nullptr, workspace);
  if (found.kept.empty()) return {};
  const QByteArray read = lineends::asRead(text, setup.check.settings().lineEnds);
  Alerts alerts;
  alerts.reserve(found.kept.size());
  if (found.linesJoined || !setup.check.settings().tellLoneLineFeeds) {
    const std::vector<lsp::TextRange> ranges = rangesOf(read, found.kept);
    for (std::size_t i = 0; i < found.kept.size(); ++i) {
      const lsp::TextRange& r = ranges[i];
      alerts.push_back({found.kept[i].row, quint32(r.start.line), quint32(r.start.character),
                        quint32(r.end.line), quint32(r.end.character)});
    }
    return alerts;
  }
  // Every line end the editor sees ends the check's line too: the lines
  // are the same, and only the alert's own line is looked into, which
  // spares counting through every line of every script in the workspace.
  ForwardPositions lines(read);
  for (const Diagnostic& d : found.kept) {
    const ScriptLine line = lines.scriptLine(d.line);
    const qint64 start = textpositions::offsetOfColumn(read, line, d.column);
    const qint64 end =
        d.endColumn > 0 ? textpositions::offsetOfColumn(read, line, d.endColumn) : line.end;
    const auto number = quint32(line.number - 1);
    alerts.push_back({d.row, number, unitsBetween(read, line.start, start), number,
                      unitsBetween(read, line.start, end)});
  }
  return alerts;
}

void WorkspaceIndex::indexFile(const QString& path) {
  // The walk under way may have read it before it changed; it is read
  // again once the walk is over.
  if (building_) {
    changedWhileBuilding_.insert(path);
    return;
  }
  if (!setup_) return;
  const quint64 ticket = diskTickets_[path] = ++lastTicket_;
  ++inFlight_;
  threads_.post([this, path, ticket, setup = setup_] {
    DiskFileSystem files;
    QString error;
    QByteArray bytes;
    const bool read = readScript(files.openScriptFile(path, &error), &bytes, &error);
    const bool gone = !read && !QFileInfo::exists(path);
    auto alerts = std::make_shared<Alerts>(read ? alertsIn(*setup, bytes) : Alerts());
    queue_.push([this, path, ticket, setup, read, gone, error, alerts] {
      --inFlight_;
      const auto current = diskTickets_.find(path);
      if (setup == setup_ && current != diskTickets_.end() && current->second == ticket) {
        diskTickets_.erase(current);
        if (read) {
          disk_[path] = std::move(*alerts);
        } else {
          disk_.erase(path);
          if (!gone) failed_(path + QStringLiteral(": ") + error);
        }
      }
      taskDone();
    });
  });
}

void WorkspaceIndex::indexOpen(const QString& uri, const QString& path) {
  OpenScript& script = open_[path];
  // One check of a script at a time: the edits that come while it runs are
  // checked together after it, as fast typing in a large script would
  // otherwise queue a check for every key.
  if (script.running) {
    script.again = true;
    return;
  }
  QByteArray text;
  if (!setup_ || !isWorkspaceScript(path) || !textOf_(uri, &text)) return;
  script.running = true;
  const quint64 ticket = script.ticket = ++lastTicket_;
  ++inFlight_;
  threads_.post([this, path, ticket, text, setup = setup_] {
    auto alerts = std::make_shared<Alerts>(alertsIn(*setup, editortext::forChecking(text)));
    queue_.push([this, path, ticket, setup, alerts] {
      --inFlight_;
      // Not so for a script closed since, or closed and opened again.
      if (const auto found = open_.find(path);
          found != open_.end() && found->second.ticket == ticket) {
        OpenScript& done = found->second;
        done.running = false;
        if (done.again) {
          done.again = false;
          indexOpen(done.uri, path);
        } else if (setup == setup_) {
          done.alerts = std::move(*alerts);
        }
      }
      taskDone();
    });
  });
}

void WorkspaceIndex::startBuild() {
  if (build_) build_->stop = true;
  rebuildTimer_.stop();
  if (!setup_ || workspace_.isEmpty()) return;
  auto build = std::make_shared<Build>();
  build->setup = setup_;
  build->workspace = workspace_;
  build_ = build;
  building_ = true;
  const int threads = threadCount_;
  build->checked.resize(std::size_t(threads));
  build->working = threads;
  const auto work = [this](const std::shared_ptr<Build>& b, std::size_t slot) {
    DiskFileSystem files;
    ScanWorkspace buffers(b->setup->scanner);
    QByteArray bytes;  // reused: it keeps its capacity from script to script
    for (ScriptEntry script; b->take(&script);) {
      Build::Checked checked{script.path, {}, {}};
      if (readScript(files.openListedFile(script.nativePath, &checked.error), &bytes,
                     &checked.error)) {
        checked.alerts = alertsIn(*b->setup, bytes, &buffers);
      }
      b->checked[slot].push_back(std::move(checked));
    }
    if (--b->working == 0 && !b->stop) queue_.push([this, b] { buildDone(b); });
  };
  // The scripts are checked as the walk finds them; the walking thread
  // checks too once the walk is over.
  threads_.post([this, build, work, threads] {
    for (int i = 1; i < threads; ++i)
      threads_.post([build, work, i] { work(build, std::size_t(i)); });
    ScriptWalk walk({build->workspace}, QString(), build->setup->excludes);
    walk.allowEmpty(true);
    for (ScriptEntry entry; !build->stop && walk.next(&entry);) {
      if (entry.error.isEmpty()) {
        build->add(std::move(entry));
      } else if (!entry.brokenLink) {
        build->walkErrors.append(entry.path + QStringLiteral(": ") + entry.error);
      }
    }
    build->walkOver();
    work(build, 0);
  });
}

void WorkspaceIndex::buildDone(const std::shared_ptr<Build>& build) {
  if (build != build_) return;
  build_.reset();
  building_ = false;
  disk_.clear();
  diskTickets_.clear();
  diskSetup_ = build->setup;
  for (const QString& error : build->walkErrors) failed_(error);
  for (std::vector<Build::Checked>& checked : build->checked) {
    for (Build::Checked& script : checked) {
      if (script.error.isEmpty()) {
        disk_.emplace(script.path, std::move(script.alerts));
      } else {
        failed_(script.path + QStringLiteral(": ") + script.error);
      }
    }
  }
  const std::set<QString> changed = std::move(changedWhileBuilding_);
  changedWhileBuilding_.clear();
  for (const QString& path : changed) {
    if (disk_.count(path) > 0 || isWorkspaceScript(path)) indexFile(path);
  }
  taskDone();
}

void WorkspaceIndex::taskDone() {
  if (!ready()) return;
  std::vector<std::function<void()>> waiting = std::move(waiting_);
  waiting_.clear();
  for (const auto& then : waiting) then();
}

template <typename Match, typename F>
void WorkspaceIndex::forEachAlert(Match match, F f) const {
  for (const auto& [path, disk] : disk_) {
    const auto open = open_.find(path);
    const Alerts& alerts = open != open_.end() ? open->second.alerts : disk;
    for (const Alert& alert : alerts) {
      if (match(*alert.row)) f(path, open != open_.end() ? &open->second : nullptr, alert);
    }
  }
}

std::vector<WorkspaceIndex::Place> WorkspaceIndex::alertsOf(QStringView code) const {
  std::vector<Place> places;
  QString lastPath;
  QString uri;
  const auto match = [code](const TableRow& row) { return row.code == code; };
  forEachAlert(match, [&](const QString& path, const OpenScript* open, const Alert& alert) {
    if (path != lastPath) {
      lastPath = path;
      uri = open ? open->uri : QUrl::fromLocalFile(path).toString(QUrl::FullyEncoded);
    }
    const lsp::TextRange range{{alert.startLine, alert.startCharacter},
                               {alert.endLine, alert.endCharacter}};
    // A statement that looks in both tables gets an alert from each row.
    if (!places.empty() && places.back().uri == uri && places.back().range == range) return;
    places.push_back({uri, range});
  });
  return places;
}

WorkspaceIndex::Counts WorkspaceIndex::countsOf(const TableRow* row) const {
  Counts counts;
  const QString* lastPath = nullptr;
  forEachAlert([row](const TableRow& alerted) { return &alerted == row; },
               [&](const QString& path, const OpenScript*, const Alert&) {
                 ++counts.alerts;
                 if (lastPath != &path) ++counts.scripts;
                 lastPath = &path;
               });
  return counts;
}
