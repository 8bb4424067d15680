#pragma once

#include <QString>

#include "ReportFormat.h"
#include "RunStatistics.h"
#include "ScanRun.h"

// What vornel-scan writes on standard error: errors always; the status of
// each script with --verbose, and of the one script in the classic report
// of a single script, as the desktop program's status label words it; and
// the closing summary, unless --quiet. Every line but the one script's
// status escapes what it shows of a path, a table or a script as the line
// formats do; that status, the desktop program's text, is escaped only on
// a terminal (`terminal`: standard error is one).
class ConsoleMessages : public RunMessages {
 public:
  ConsoleMessages(bool singleScript, bool verbose, bool quiet, bool terminal);

  void scriptDone(const QString& path, qint64 alerts, const QString& error) override;
  void pathFailed(const ScriptFailure& failure) override;
  void linkPassedOver(const ScriptFailure& link) override;
  void diagnostic(const Diagnostic& diagnostic) override;
  // "12 alerts in 3 of 40 scripts", and the paths not checked;
  // `excludedAny` when the exclusions passed over scripts or folders.
  void summary(const RunTotals& totals, bool excludedAny);
  // --statistics: the alerts for each row, most frequent first, and the
  // rows no script hit (see RunStatistics.h).
  void statistics(const RunTotals& totals, const Tables& tables, const TableNames& names);
  // Anything else that went wrong, "vornel-scan: <what>", on one line.
  void error(const QString& what);
  // A line of the program's own words, as it is.
  void line(const QString& text);

 private:
  const bool singleScript_;
  const bool verbose_;
  const bool quiet_;
  const bool terminal_;
};
