#include "ScanCommand.h"

#include "ClassicReport.h"

namespace {

const QString kScriptFilter = QStringLiteral("Vornel Scripts (*.csm)|*.csm");
const QString kNoFileSelected =
    QStringLiteral("No File Selected\rSelect a Vornel Script file to Process");
const QString kProcessing = QStringLiteral("Processing...");
const QString kScanComplete = QStringLiteral("Scan Complete");
const QString kScanFailed = QStringLiteral("Scan Failed");

void appendStatusLine(WindowServices& window, const QString& line) {
  window.setStatusText(window.statusText() + QLatin1Char('\r') + line);
}

ScanCommandResult failed(WindowServices& window, const QString& path, const QString& reason) {
  window.setStatusText(classic::fileLine(path) + QLatin1Char('\r') + classic::kCouldNotRead);
  window.showMessageBox(classic::cannotRead(path, reason), kScanFailed);
  return {ScanCommandResult::Outcome::Failed, 0};
}

}  // namespace

ScanCommandResult runScanCommand(WindowServices& window, FileSystem& files,
                                 const ScriptScanner& scanner, HelperThread* helper) {
  window.setDialogFilter(kScriptFilter);
  window.showOpenDialog();
  const QString path = window.chosenFileName();
  if (path.isEmpty()) {
    window.setStatusText(kNoFileSelected);
    return {};
  }
  window.setStatusText(classic::fileLine(path));
  appendStatusLine(window, kProcessing);
  window.repaintNow();

  // The report is built aside and shown whole at the end: nothing repaints
  // in between, and a failed read leaves the previous report in the box.
  classic::ReportText report;
  ScanResult scan;
  {
    // Closed again before any message box is shown.
    const std::unique_ptr<ByteSource> script = files.open(path, &scan.error);
    if (script) scan = scanner.scan(*script, report, helper);
  }
  if (!scan.ok()) return failed(window, path, scan.error);

  appendStatusLine(window, QStringLiteral("Contains %1 Lines").arg(scan.lines));
  window.setReportText(report.text());
  window.setStatusText(classic::summary(path, report.alerts()));
  if (report.alerts() == 0) window.showMessageBox(classic::kNoProblems, kScanComplete);
  return {ScanCommandResult::Outcome::Completed, report.alerts()};
}
