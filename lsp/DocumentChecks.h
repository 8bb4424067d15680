#pragma once

#include <atomic>
#include <functional>
#include <map>
#include <memory>

#include <QByteArray>
#include <QJsonArray>
#include <QString>
#include <QTimer>

#include "CheckSetup.h"
#include "DocumentCheck.h"
#include "MainThreadQueue.h"
#include "TaskThreads.h"

// Checks open scripts on worker threads and hands their diagnostics back on
// the main thread. A script is checked when it opens, and again a short
// while after its last change, so that fast typing does not queue checks.
// A script has one check running at a time: a change stops the one running,
// whose result is dropped, and the newest text is checked after it. A
// large script thus never holds up the reading of messages, nor, with
// several threads, the checks of small ones.
class DocumentChecks {
 public:
  static constexpr int kSettleMilliseconds = 150;

  // The text and version of an open script; false when it is not open.
  using TextOf = std::function<bool(const QString& uri, QByteArray* text, qint64* version)>;
  using Publish =
      std::function<void(const QString& uri, qint64 version, const QJsonArray& diagnostics)>;

  DocumentChecks(MainThreadQueue& queue, TextOf textOf, Publish publish, int threads);
  ~DocumentChecks();

  // The setup checks use from now on; every open script is checked again.
  // Nothing is checked while there is none.
  void setSetup(std::shared_ptr<const CheckSetup> setup);
  void checkNow(const QString& uri);
  void checkSoon(const QString& uri);
  // The script was closed: its check is stopped and its result dropped.
  void forget(const QString& uri);

 private:
  struct State {
    std::unique_ptr<QTimer> timer;
    quint64 generation = 0;         // of the newest text; each change makes a new one
    quint64 runningGeneration = 0;  // of the check running; 0 when none is
    bool wanted = false;            // check again once the running check ends
    std::shared_ptr<std::atomic<bool>> stop;
  };
  State& stateOf(const QString& uri);
  void changed(State& state);
  void start(const QString& uri, State& state);
  void finished(const QString& uri, quint64 generation, qint64 version, const DocumentCheck& check);

  MainThreadQueue& queue_;
  TextOf textOf_;
  Publish publish_;
  std::shared_ptr<const CheckSetup> setup_;
  std::map<QString, State> states_;
  quint64 lastGeneration_ = 0;
  TaskThreads threads_;  // last, so that its threads end before the rest goes
};
