#include "PublicSubs.h"
#include "ScanTexts.h"

using namespace scantexts;

PublicSubs::PublicSubs(FileSystem& files, WindowServices& window)
    : FileNumber1(files),
      window_(window),
      files_(files),
      ownHelper_(std::make_unique<HelperThread>()),
      helper_(*ownHelper_) {}

PublicSubs::PublicSubs(FileSystem& files, WindowServices& window, HelperThread& helper)
    : FileNumber1(files), window_(window), files_(files), helper_(helper) {}

qint64 PublicSubs::CountLines() {
  return FileNumber1.countRemainingLines();
}

void PublicSubs::appendStatusLine(const QString& line) {
  window_.setStatusText(window_.statusText() + QLatin1Char('\r') + line);
}

PublicSubs::ScanOutcome PublicSubs::ScanScript() {
  window_.setDialogFilter(kScriptFilter);
  window_.showOpenDialog();
  const QString path = window_.chosenFileName();
  if (path.isEmpty()) {
    window_.setStatusText(kNoFileSelected);
    return ScanOutcome::NoFileChosen;
  }

  const QString chosen = fileLine(path);
  window_.setStatusText(chosen);
  appendStatusLine(kProcessing);
  window_.repaintNow();

  const Counters saved{ScriptLineCount, LineNumber, AlertCount};
  if (!FileNumber1.open(path)) return failScan(chosen, saved, FileNumber1.errorString());
  const QByteArray counted = FileNumber1.identity();
  QString failure;
  const qint64 count = countScript(&failure);
  if (count < 0) return failScan(chosen, saved, failure);
  FileNumber1.close();
  ScriptLineCount = count;
  appendStatusLine(QStringLiteral("Contains %1 Lines").arg(ScriptLineCount));

  // The report is built aside and shown whole at the end: nothing repaints
  // in between, and a failed read leaves the previous report in the box.
  report_.clear();
  AlertCount = 0;
  if (!FileNumber1.open(path)) return failScan(chosen, saved, FileNumber1.errorString());
  LineNumber = 1;
  const bool unchanged = !counted.isEmpty() && FileNumber1.identity() == counted;
  if (!checkLines(unchanged, &failure)) return failScan(chosen, saved, failure);

  window_.setReportText(report_);
  report_ = QString();
  window_.setStatusText(chosen + QLatin1Char('\r') + QString::number(AlertCount) +
                        QStringLiteral(" Alerts. "));
  FileNumber1.close();
  if (AlertCount == 0) window_.showMessageBox(kNoProblems, kScanComplete);
  return ScanOutcome::Completed;
}

PublicSubs::ScanOutcome PublicSubs::failScan(const QString& fileLine, const Counters& saved,
                                             const QString& reason) {
  FileNumber1.close();
  report_ = QString();
  read_.clear();
  ScriptLineCount = saved.scriptLineCount;
  LineNumber = saved.lineNumber;
  AlertCount = saved.alertCount;
  window_.setStatusText(fileLine + QLatin1Char('\r') + kCouldNotRead);
  window_.showMessageBox(QStringLiteral("Cannot read ") + reason, kScanFailed);
  return ScanOutcome::Failed;
}
