#include "ScanCommand.h"

#include <QLocale>

#include "ClassicReport.h"
#include "NativePath.h"
#include "SystemText.h"

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

// A script's name as the window shows it: each byte that is no UTF-8 as
// U+FFFD, as a file manager shows it. The path keeps the byte, to open the
// file by.
QString shownName(const QString& path) {
  return decodeSystemText(encodeNativePath(path));
}

QString tooLargeToShow(const QString& path, qsizetype mostCharacters) {
  return QStringLiteral(
             "The report of %1 is too large to show: it passes %2 characters, the most this "
             "window holds. vornel-scan reports scripts of any size.")
      .arg(path, QLocale::c().toString(mostCharacters));
}

}  // namespace

QString scriptFilter() {
  return kScriptFilter;
}

ScanCommandResult runScanCommand(WindowServices& window, FileSystem& files,
                                 const ScriptCheck& check, HelperThread* helper,
                                 qsizetype mostReportCharacters) {
  window.setDialogFilter(kScriptFilter);
  window.showOpenDialog();
  const QString path = window.chosenFileName();
  if (path.isEmpty()) {
    window.setStatusText(kNoFileSelected);
    return {};
  }
  return scanChosenScript(window, files, check, helper, path, mostReportCharacters);
}

ScanCommandResult scanChosenScript(WindowServices& window, FileSystem& files,
                                   const ScriptCheck& check, HelperThread* helper,
                                   const QString& path, qsizetype mostReportCharacters) {
  const QString statusBefore = window.statusText();
  const QString name = shownName(path);
  window.setStatusText(classic::fileLine(name));
  appendStatusLine(window, kProcessing);
  window.repaintNow();

  // The report is built aside and shown whole at the end: nothing repaints
  // in between, and a failed read leaves the previous report in the box.
  classic::ReportText report(mostReportCharacters);
  ScanResult scan;
  {
    // Closed again before any message box is shown. A pipe is refused
    // rather than read: its writer may never come, and the window would
    // wait for it, neither answering nor closing.
    const std::unique_ptr<ByteSource> script = files.openScriptFile(path, &scan.error);
    if (script) scan = check.check(*script, path, report, helper);
  }
  if (!scan.ok()) return failed(window, name, scan.error);
  if (report.tooLarge()) {
    window.setStatusText(statusBefore);
    window.showMessageBox(tooLargeToShow(name, mostReportCharacters), kScanFailed);
    return {ScanCommandResult::Outcome::Failed, report.alerts()};
  }

  appendStatusLine(window, QStringLiteral("Contains %1 Lines").arg(scan.lines));
  window.setReportText(report.text());
  window.setStatusText(classic::summary(name, report.alerts()));
  if (report.alerts() == 0) window.showMessageBox(classic::kNoProblems, kScanComplete);
  return {ScanCommandResult::Outcome::Completed, report.alerts()};
}
