#pragma once

#include <atomic>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <vector>

#include <QByteArray>
#include <QString>
#include <QStringView>
#include <QTimer>

#include "CheckSetup.h"
#include "MainThreadQueue.h"
#include "ProtocolValues.h"
#include "TaskThreads.h"

// The alerts of every script of the workspace, by table row: what finding
// the references of a code and a row's hover count from. The workspace is
// walked as vornel-scan walks a folder named (hidden folders and what the
// project excludes passed over), each script checked with the setup in
// force, directives and the project's disable list applied; an open script
// counts with the editor's text in place of the disk's. Built on worker
// threads when the setup changes, and brought up to date script by script
// as scripts are edited, closed, or changed on disk. Runs on the main
// thread; what it is asked comes from what it holds, which is whole once
// ready() says so.
class WorkspaceIndex {
 public:
  // The text of an open script, as the editor has it; false when the
  // script is not open.
  using TextOf = std::function<bool(const QString& uri, QByteArray* text)>;
  // A script that could not be read, named with the reason; it is left out.
  using Failed = std::function<void(const QString& message)>;

  struct Place {
    QString uri;
    lsp::TextRange range;  // of the quoted code
  };
  struct Counts {
    qint64 alerts = 0;
    qint64 scripts = 0;
  };
  // A change to a file of the workspace, as didChangeWatchedFiles tells it.
  enum class FileChange { Created = 1, Changed = 2, Deleted = 3 };

  WorkspaceIndex(MainThreadQueue& queue, TextOf textOf, Failed failed, int threads);
  ~WorkspaceIndex();

  // The folder walked; set before the first setup.
  void setWorkspace(const QString& folder);
  // The setup in force: the workspace is walked and checked again with it.
  void setSetup(std::shared_ptr<const CheckSetup> setup);
  // An open script's text changed (or it opened); it counts with that text.
  void edited(const QString& uri);
  // An open script closed; it counts with the disk's text again.
  void closed(const QString& uri);
  void fileChanged(const QString& uri, FileChange change);

  // Whether nothing is being walked or checked.
  bool ready() const { return !building_ && inFlight_ == 0; }
  // Runs `then` once ready, at once when it is.
  void whenReady(std::function<void()> then);

  // Every alert of a row with `code`, by script path and place.
  std::vector<Place> alertsOf(QStringView code) const;
  // The alerts that `row`, of the setup in force, gives, and in how many
  // scripts.
  Counts countsOf(const TableRow* row) const;

 private:
  // One alert, kept small: a workspace holds tens of thousands of them.
  struct Alert {
    const TableRow* row;  // in the tables of the setup checked with
    quint32 startLine;
    quint32 startCharacter;
    quint32 endLine;
    quint32 endCharacter;
  };
  using Alerts = std::vector<Alert>;
  struct OpenScript {
    QString uri;
    Alerts alerts;
    quint64 ticket = 0;    // of the check running, or of the last
    bool running = false;  // a check of it is running
    bool again = false;    // and it changed since it began
  };
  struct Build;

  // `workspace`: buffers to reuse, for a thread that checks many scripts.
  static Alerts alertsIn(const CheckSetup& setup, const QByteArray& text,
                         ScanWorkspace* workspace = nullptr);
  // The alerts of the script at `path`, read from the disk on a worker thread.
  void indexFile(const QString& path);
  void indexOpen(const QString& uri, const QString& path);
  void startBuild();
  void buildDone(const std::shared_ptr<Build>& build);
  void taskDone();
  // Whether a file of the workspace is one the walk takes.
  bool isWorkspaceScript(const QString& path) const;
  // Calls f(path, open script or null, alert) for each alert that `match`
  // takes, by path; an open script's with the editor's text.
  template <typename Match, typename F>
  void forEachAlert(Match match, F f) const;

  MainThreadQueue& queue_;
  TextOf textOf_;
  Failed failed_;
  QString workspace_;
  std::shared_ptr<const CheckSetup> setup_;
  // The scripts the walk found, by path, with their alerts from the disk;
  // scripts open in the editor besides, with theirs from the editor's text.
  // Each is of setup_, or being checked with it.
  std::map<QString, Alerts> disk_;
  std::shared_ptr<const CheckSetup> diskSetup_;  // whose rows disk_ holds
  std::map<QString, OpenScript> open_;
  std::map<QString, quint64> diskTickets_;  // the newest check of a file asked for
  quint64 lastTicket_ = 0;
  // Scripts changed on disk during a walk, which may have read them before.
  std::set<QString> changedWhileBuilding_;
  bool building_ = false;
  std::shared_ptr<Build> build_;
  int inFlight_ = 0;  // scripts being checked on their own
  std::vector<std::function<void()>> waiting_;
  QTimer rebuildTimer_;  // for folders made or deleted, however many come together
  const int threadCount_;
  TaskThreads threads_;  // last, so that its threads end before the rest goes
};
