#pragma once

#include <QString>

#include "ReportFormat.h"
#include "ScanRun.h"

// What vornel-scan writes on standard error: errors always; the status of
// each script with --verbose, and of the one script in the classic report
// of a single script, as the desktop program's status label words it; and
// the closing summary, unless --quiet.
class ConsoleMessages : public RunMessages {
 public:
  ConsoleMessages(bool singleScript, bool verbose, bool quiet);

  void scriptDone(const QString& path, qint64 alerts, const QString& error) override;
  void pathFailed(const ScriptFailure& failure) override;
  void linkPassedOver(const ScriptFailure& link) override;
  void diagnostic(const Diagnostic& diagnostic) override;
  // "12 alerts in 3 of 40 scripts", and the paths not checked;
  // `excludedAny` when the exclusions passed over scripts or folders.
  void summary(const RunTotals& totals, bool excludedAny);
  // The alerts for each row, most frequent first.
  void statistics(const RunTotals& totals, const Tables& tables);
  // Anything else that went wrong, "vornel-scan: <what>".
  void error(const QString& what);

 private:
  const bool singleScript_;
  const bool verbose_;
  const bool quiet_;
};
