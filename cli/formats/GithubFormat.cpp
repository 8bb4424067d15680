#include "Formats.h"
#include "SystemText.h"

namespace {

// A byte as a workflow command's escape: `%` and two uppercase hex digits.
void appendEscaped(char c, QByteArray* out) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  *out += '%';
  *out += kHex[uchar(c) >> 4];
  *out += kHex[uchar(c) & 0xF];
}

// A workflow command's message: `%`, CR and LF escaped as the runner
// decodes them, and every other character a report never writes as it is
// the same way, each byte of its UTF-8 (a C1 control U+0085 as `%C2%85`),
// so that a table's message or a file's name cannot colour, rewrite or
// turn around the log.
QByteArray escapeData(QStringView text, bool property = false) {
  QByteArray out;
  qsizetype run = 0;  // start of the text not yet written
  for (qsizetype i = 0; i < text.size(); ++i) {
    const char16_t c = text[i].unicode();
    if (c != u'%' && !needsEscaping(c) && !(property && (c == u':' || c == u','))) continue;
    out += encodeSystemText(text.sliced(run, i - run));
    for (const char byte : text.sliced(i, 1).toUtf8()) appendEscaped(byte, &out);
    run = i + 1;
  }
  out += encodeSystemText(text.sliced(run));
  return out;
}

// A workflow command's property: as a message, and `:` and `,` too.
QByteArray escapeProperty(QStringView text) {
  return escapeData(text, true);
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
    *out += alert.severity() == Severity::Error     ? "::error file="
            : alert.severity() == Severity::Warning ? "::warning file="
                                                    : "::notice file=";
    // Without a line, an annotation is the file's.
    *out += script->pathText;
    if (alert.line > 0) *out += ",line=" + QByteArray::number(alert.line);
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
