#include <QCryptographicHash>

#include "Formats.h"
#include "JsonText.h"
#include "SystemText.h"

namespace {

using jsontext::appendString;

// GitLab's Code Quality report: a JSON array of issues, each with a
// fingerprint that stays the same from run to run and when lines move: it
// is taken from the path, the rule, the statement, and how many equal
// alerts came before it in the script.
class GitlabFormat : public ReportFormat {
 public:
  bool partsStartWithSeparator() const override { return true; }

  void begin(QByteArray* out) const override { *out += '['; }

  void openScript(ScriptReport* script, QByteArray*) const override {
    script->pathText.clear();
    appendString(&script->pathText, script->path);
  }

  void diagnostic(const Diagnostic& alert, ScriptReport* script, QByteArray* out) const override {
    if (alert.silenced != Diagnostic::Silenced::No) return;
    const QString rule = alert.ruleId();
    // What is not a table alert has no statement: its message stands for it.
    QByteArray identity =
        script->pathText + '\0' + encodeSystemText(rule) + '\0' +
        encodeSystemText(alert.isTableAlert() ? QStringView(alert.statement) : alert.message());
    const int before = script->seen[identity]++;
    identity += '\0' + QByteArray::number(before);
    *out += ",\n{\"description\":";
    appendString(out, alert.message());
    *out += ",\"check_name\":";
    appendString(out, rule);
    *out += ",\"fingerprint\":\"";
    *out += QCryptographicHash::hash(identity, QCryptographicHash::Sha256).toHex();
    // An error is major, as GitLab grades what must be mended before a
    // merge; blocker and critical are left to what GitLab's own scanners find.
    *out += alert.severity() == Severity::Error     ? "\",\"severity\":\"major\""
            : alert.severity() == Severity::Warning ? "\",\"severity\":\"minor\""
                                                    : "\",\"severity\":\"info\"";
    *out += ",\"location\":{\"path\":" + script->pathText;
    // GitLab wants a line of every issue: one in no line, a table that
    // cannot be read, stands at the file's first.
    *out += ",\"lines\":{\"begin\":" + QByteArray::number(qMax<qint64>(alert.line, 1)) + "}}}";
  }

  void end(const RunTotals&, QByteArray* out) const override { *out += "\n]\n"; }
};

}  // namespace

std::unique_ptr<ReportFormat> makeGitlabFormat(const RunFacts&) {
  return std::make_unique<GitlabFormat>();
}
