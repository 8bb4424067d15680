#include "ClassicReport.h"
#include "Formats.h"
#include "LineText.h"

namespace {

// The report lines of the desktop program, each ended by a newline. With
// several scripts each begins with its script's path and a colon, the path
// and line number coloured as grep colours them, and no alert spreads over
// two lines; nor with one script on a terminal.
class ClassicFormat : public ReportFormat {
 public:
  explicit ClassicFormat(const RunFacts& facts) : facts_(facts) {}

  // Its lines are the desktop program's report: nothing else goes there.
  bool carriesEveryRule() const override { return false; }

  void openScript(ScriptReport* script, QByteArray*) const override {
    if (facts_.singleScript) return;
    const QByteArray path = lineText(script->path);
    script->pathText = facts_.color ? "\x1b[35m" + path + "\x1b[36m:\x1b[0m" : path + ':';
  }

  void diagnostic(const Diagnostic& alert, ScriptReport* script, QByteArray* out) const override {
    if (alert.silenced != Diagnostic::Silenced::No || !alert.isTableAlert()) return;
    if (facts_.singleScript && !facts_.terminal) {
      // To a file or a pipe, exactly as the desktop program writes it.
      classic::appendLine(alert, out);
      return;
    }
    // On a terminal the one script's lines are the desktop program's still,
    // with no path and no colour.
    const bool color = facts_.color && !facts_.singleScript;
    *out += script->pathText;
    if (color) *out += "\x1b[32m";
    *out += QByteArray::number(alert.line);
    if (color) *out += "\x1b[0m";
    *out += ' ' + lineText(alert.statement) + ":  ";
    // A table alert is a warning unless the project's settings say otherwise.
    if (alert.severity() != Severity::Warning)
      *out += alert.severity() == Severity::Error ? "error: " : "info: ";
    *out += lineText(alert.givenMessage()) + '\n';
  }

  // Read by a person: each diagnostic on a line, a fault marked as one, and
  // when there is none, that the check ran and on how many rows.
  void tableCheck(const std::vector<Diagnostic>& found, const TableRowCounts& rows,
                  QByteArray* out) const override {
    for (const Diagnostic& d : found) {
      *out += lineText(d.path);
      if (d.line > 0) *out += ':' + QByteArray::number(d.line);
      *out += d.severity() == Severity::Error ? ": error: " : ": ";
      *out += lineText(d.message()) + '\n';
    }
    if (!found.empty()) return;
    *out += QStringLiteral("tables are clean: %1 %2, %3 %4\n")
                .arg(QString::number(rows.tags),
                     rows.tags == 1 ? QStringLiteral("tag") : QStringLiteral("tags"),
                     QString::number(rows.params),
                     rows.params == 1 ? QStringLiteral("parameter") : QStringLiteral("parameters"))
                .toUtf8();
  }

 private:
  const RunFacts facts_;
};

}  // namespace

std::unique_ptr<ReportFormat> makeClassicFormat(const RunFacts& facts) {
  return std::make_unique<ClassicFormat>(facts);
}
