#include "ConsoleMessages.h"

#include <cstdio>

#include "ClassicReport.h"
#include "LineText.h"
#include "SystemText.h"

namespace {

void writeLines(QString text) {
  text.replace(u'\r', u'\n');
  const QByteArray bytes = encodeSystemText(text + u'\n');
  std::fwrite(bytes.constData(), 1, std::size_t(bytes.size()), stderr);
  std::fflush(stderr);
}

QString counted(qint64 n, const char* one, const char* many) {
  return QStringLiteral("%1 %2").arg(n).arg(QLatin1StringView(n == 1 ? one : many));
}

}  // namespace

ConsoleMessages::ConsoleMessages(bool singleScript, bool verbose, bool quiet, bool terminal)
    : singleScript_(singleScript), verbose_(verbose), quiet_(quiet), terminal_(terminal) {}

void ConsoleMessages::scriptDone(const QString& path, qint64 alerts, const QString& error) {
  if (!error.isEmpty()) {
    pathFailed({path, error});
    return;
  }
  if (quiet_ || !(singleScript_ || verbose_)) return;
  // A path is shown as the report shows it, on its line; the one script's
  // status is the desktop program's, which shows the path as it is, but on
  // a terminal.
  writeLines(classic::summary(path, alerts, singleScript_ && !terminal_ ? nullptr : lineShown));
  if (singleScript_ && alerts == 0) writeLines(classic::kNoProblems);
}

void ConsoleMessages::pathFailed(const ScriptFailure& failure) {
  if (singleScript_) {
    const QString cannotRead = classic::cannotRead(failure.path, failure.reason);
    writeLines(classic::fileLine(failure.path, terminal_ ? lineShown : nullptr) + u'\n' +
               classic::kCouldNotRead + u'\n' + (terminal_ ? lineShown(cannotRead) : cannotRead));
  } else {
    error(failure.path + QStringLiteral(": ") + failure.reason);
  }
}

void ConsoleMessages::linkPassedOver(const ScriptFailure& link) {
  error(link.path + QStringLiteral(": link not followed: ") + link.reason);
}

void ConsoleMessages::diagnostic(const Diagnostic& d) {
  // A comment that is no directive reads as an error, as a compiler's
  // syntax error does, unless the project's settings give it a severity.
  const Severity severity = d.severity();
  const bool bare = d.rule == Rule::NotADirective && severity == rules::infoOf(d.rule).severity;
  error(QStringLiteral("%1:%2:%3: %4%5")
            .arg(d.path)
            .arg(d.line)
            .arg(d.column)
            .arg(bare ? QString() : rules::severityName(severity) + QStringLiteral(": "),
                 d.message()));
}

void ConsoleMessages::summary(const RunTotals& totals, bool excludedAny) {
  if (quiet_ || singleScript_) return;
  const qint64 checked = totals.scripts + totals.failures.size();
  QString text = QStringLiteral("%1 in %2 of %3")
                     .arg(counted(totals.alerts, "alert", "alerts"))
                     .arg(totals.scriptsWithAlerts)
                     .arg(counted(totals.scripts, "script", "scripts"));
  if (totals.scriptsWithLinesJoined > 0) {
    text += QStringLiteral("; %1 with lines joined")
                .arg(counted(totals.scriptsWithLinesJoined, "script", "scripts"));
  }
  if (totals.silenced > 0) text += QStringLiteral("; %1 silenced").arg(totals.silenced);
  if (!totals.failures.isEmpty())
    text +=
        QStringLiteral("; %1 not checked").arg(counted(totals.failures.size(), "path", "paths"));
  if (checked == 0) {
    text = excludedAny ? QStringLiteral("no scripts (*.csm) found that are not excluded")
                       : QStringLiteral("no scripts (*.csm) found");
  }
  writeLines(text);
}

void ConsoleMessages::statistics(const RunTotals& totals, const Tables& tables,
                                 const TableNames& names) {
  const QString text = statisticsText(totals, tables, names);
  if (!text.isEmpty()) writeLines(text);
}

void ConsoleMessages::error(const QString& what) {
  // Paths, table texts and the arguments given, whatever they hold.
  writeLines(QStringLiteral("vornel-scan: ") + lineShown(what));
}

void ConsoleMessages::line(const QString& text) {
  writeLines(text);
}
