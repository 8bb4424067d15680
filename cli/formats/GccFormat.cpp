#include "Formats.h"
#include "LineText.h"

namespace {

// `PATH:LINE:COL: warning: MESSAGE [CODE]`, as compilers write diagnostics
// (a rule's name in place of the code for what is not a table alert),
// so that editors' error lists and CI problem matchers read them. In
// colour, as GCC colours them.
class GccFormat : public ReportFormat {
 public:
  explicit GccFormat(const RunFacts& facts) : color_(facts.color) {}

  void openScript(ScriptReport* script, QByteArray*) const override {
    script->pathText = lineText(script->path);
  }

  void diagnostic(const Diagnostic& alert, ScriptReport* script, QByteArray* out) const override {
    if (alert.silenced != Diagnostic::Silenced::No) return;
    if (color_) *out += "\x1b[1m";
    *out += script->pathText;
    // A fault in no line is the file's, as a compiler names a file it
    // cannot read.
    if (alert.line > 0) {
      *out += ':';
      *out += QByteArray::number(alert.line);
      *out += ':';
      *out += QByteArray::number(alert.column);
    }
    // Info is a compiler's note, in its colour.
    switch (alert.severity()) {
      case Severity::Error:
        *out += color_ ? ":\x1b[0m \x1b[1;31merror:\x1b[0m " : ": error: ";
        break;
      case Severity::Warning:
        *out += color_ ? ":\x1b[0m \x1b[1;35mwarning:\x1b[0m " : ": warning: ";
        break;
      case Severity::Info:
        *out += color_ ? ":\x1b[0m \x1b[1;36mnote:\x1b[0m " : ": note: ";
        break;
    }
    *out += lineText(alert.message());
    *out += color_ ? " \x1b[1;35m[" : " [";
    *out += lineText(alert.isTableAlert() ? alert.code() : alert.ruleId());
    *out += color_ ? "]\x1b[0m\n" : "]\n";
  }

 private:
  const bool color_;
};

}  // namespace

std::unique_ptr<ReportFormat> makeGccFormat(const RunFacts& facts) {
  return std::make_unique<GccFormat>(facts);
}
