#include "Formats.h"
#include "SystemText.h"

namespace {

// A workflow command's message: `%`, CR and LF escaped.
QByteArray escapeData(QStringView text) {
  QByteArray out;
  for (const char c : encodeSystemText(text)) {
    switch (c) {
      case '%':
        out += "%25";
        break;
      case '\r':
        out += "%0D";
        break;
      case '\n':
        out += "%0A";
        break;
      default:
        out += c;
    }
  }
  return out;
}

// A workflow command's property: as a message, and `:` and `,` too.
QByteArray escapeProperty(QStringView text) {
  QByteArray out = escapeData(text);
  out.replace(":", "%3A");
  out.replace(",", "%2C");
  return out;
}

// GitHub Actions workflow commands: each diagnostic an annotation on its
// line and columns, titled with its code or rule; each path that could not
// be checked an error.
class GithubFormat : public ReportFormat {
 public:
  void openScript(ScriptReport* script, QByteArray*) const override {
    script->pathText = escapeProperty(script->path);
  }

  void diagnostic(const Diagnostic& alert, ScriptReport* script, QByteArray* out) const override {
    if (alert.silenced != Diagnostic::Silenced::No) return;
    *out += alert.severity() == Severity::Error ? "::error file=" : "::warning file=";
    *out += script->pathText + ",line=" + QByteArray::number(alert.line);
    if (alert.column > 0) *out += ",col=" + QByteArray::number(alert.column);
    if (alert.endColumn > 0) *out += ",endColumn=" + QByteArray::number(alert.endColumn);
    *out += ",title=" +
            escapeProperty(alert.isTableAlert() ? alert.code() : QStringView(alert.ruleId())) +
            "::" + escapeData(alert.message()) + '\n';
  }

  void failure(const ScriptFailure& failure, QByteArray* out) const override {
    *out +=
        "::error file=" + escapeProperty(failure.path) + "::" + escapeData(failure.reason) + '\n';
  }
};

}  // namespace

std::unique_ptr<ReportFormat> makeGithubFormat(const RunFacts&) {
  return std::make_unique<GithubFormat>();
}
