#include "ClassicReport.h"
#include "Formats.h"
#include "LineText.h"

namespace {

// The report lines of the desktop program, each ended by a newline. With
// several scripts each begins with its script's path and a colon, the path
// and line number coloured as grep colours them, and no alert spreads over
// two lines.
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
    if (facts_.singleScript) {
      // Exactly as the report has always been written.
      classic::appendLine(alert, out);
      return;
    }
    *out += script->pathText;
    if (facts_.color) *out += "\x1b[32m";
    *out += QByteArray::number(alert.line);
    if (facts_.color) *out += "\x1b[0m";
    *out += ' ' + lineText(alert.statement) + ":  " + lineText(alert.givenMessage()) + '\n';
  }

 private:
  const RunFacts facts_;
};

}  // namespace

std::unique_ptr<ReportFormat> makeClassicFormat(const RunFacts& facts) {
  return std::make_unique<ClassicFormat>(facts);
}
