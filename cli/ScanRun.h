#pragma once

#include <mutex>

#include <QString>

#include "Baseline.h"
#include "FileSystem.h"
#include "HelperThread.h"
#include "ReportFormat.h"
#include "ReportOutput.h"
#include "ScriptCheck.h"
#include "ScriptWalk.h"

// What the run writes besides the report, on standard error.
class RunMessages {
 public:
  virtual ~RunMessages() = default;
  // A script has been checked to its end, or could not be.
  virtual void scriptDone(const QString& path, qint64 alerts, const QString& error) = 0;
  // A path could not be checked at all.
  virtual void pathFailed(const ScriptFailure& failure) = 0;
  // A link to a script could not be followed, and was passed over.
  virtual void linkPassedOver(const ScriptFailure& link) = 0;
  // A diagnostic other than a table alert, that the report's format does
  // not carry.
  virtual void diagnostic(const Diagnostic& diagnostic) = 0;
};

struct RunSettings {
  int jobs = 1;                // threads that scan scripts
  Baseline* record = nullptr;  // every alert not silenced is added to it
};

// Checks every script a walk yields, on several threads at once (the
// calling thread among them, the others started when the walk yields a
// second script), and writes the report in the walk's order
// whatever the threads' order: a script's part goes out as soon as every
// earlier one has, written by whichever thread finds it ready, and a thread
// that has got far ahead of the others waits, so that memory stays within a
// few scripts' reports however many scripts there are. A file is checked
// once however many names the walk meets it by, under the first; a path
// that cannot be opened is told of once, by its name.
class ScanRun {
 public:
  ScanRun(const ScriptCheck& check, const ReportFormat& format, FileSystem& files,
          HelperThread* helper, RunSettings settings);
  ~ScanRun();

  // Runs the walk to its end, or until writing the report fails.
  RunTotals run(ScriptEntries& walk, ReportOutput& output, RunMessages& messages);

 private:
  struct Shared;
  void work(Shared& shared);
  // Checks one script, and gives the part of the report not yet handed on.
  QByteArray check(Shared& shared, struct Part& part, ScanWorkspace& workspace);
  // Writes the parts that are ready, in order, unless another thread is at
  // it already; called and returning with `lock` held.
  void writeReady(Shared& shared, std::unique_lock<std::mutex>& lock);

  const ScriptCheck& check_;
  const ReportFormat& format_;
  FileSystem& files_;
  HelperThread* helper_;
  const RunSettings settings_;
};
