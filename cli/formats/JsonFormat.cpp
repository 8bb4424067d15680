#include "Formats.h"
#include "JsonText.h"

namespace {

using jsontext::appendString;

// One JSON document: the format's version, the tool, the tables, every
// script checked with its alerts and other diagnostics, the paths that could not be checked, and
// the totals. Written as the scripts are checked, never held whole.
class JsonFormat : public ReportFormat {
 public:
  explicit JsonFormat(const RunFacts& facts) : facts_(facts) {}

  bool partsStartWithSeparator() const override { return true; }

  void begin(QByteArray* out) const override {
    *out += "{\"version\":1,\"tool\":{\"name\":";
    appendString(out, facts_.toolName);
    *out += ",\"version\":";
    appendString(out, facts_.toolVersion);
    *out += "},\"tables\":{\"tags\":";
    appendString(out, facts_.tables->tagsPath);
    *out += ",\"params\":";
    appendString(out, facts_.tables->paramsPath);
    *out += "},\"scripts\":[";
  }

  void openScript(ScriptReport* script, QByteArray* out) const override {
    script->pathText.clear();
    appendString(&script->pathText, script->path);
    *out += ",\n{\"path\":" + script->pathText + ",\"alerts\":[";
  }

  void diagnostic(const Diagnostic& alert, ScriptReport* script, QByteArray* out) const override {
    if (!alert.isTableAlert()) return other(alert, script);
    *out += script->alertEntries > 0 ? ",\n{\"path\":" : "\n{\"path\":";
    ++script->alertEntries;
    *out += script->pathText;
    *out += ",\"line\":" + QByteArray::number(alert.line);
    *out += ",\"column\":" + QByteArray::number(alert.column);
    *out += ",\"endColumn\":" + QByteArray::number(alert.endColumn);
    *out += ",\"code\":";
    appendString(out, alert.code());
    *out += ",\"table\":";
    appendString(out, rules::tableName(alert.table));
    *out += ",\"statement\":";
    appendString(out, alert.statement);
    *out += ",\"message\":";
    appendString(out, alert.message());
    appendSilencing(alert, out);
    *out += '}';
  }

  void closeScript(const ScriptReport& script, qint64 lines, const QString& error,
                   QByteArray* out) const override {
    *out += ']';
    if (!script.held.isEmpty()) *out += ",\"diagnostics\":[" + script.held + "\n]";
    *out += ",\"alertCount\":" + QByteArray::number(script.alerts);
    *out += ",\"lines\":" + QByteArray::number(lines);
    if (!error.isEmpty()) {
      *out += ",\"error\":";
      appendString(out, error);
    }
    *out += '}';
  }

  void end(const RunTotals& totals, QByteArray* out) const override {
    *out += "\n],\"errors\":[";
    for (qsizetype i = 0; i < totals.failures.size(); ++i) {
      *out += i > 0 ? ",\n{\"path\":" : "\n{\"path\":";
      appendString(out, totals.failures[i].path);
      *out += ",\"message\":";
      appendString(out, totals.failures[i].reason);
      *out += '}';
    }
    *out += "],\"summary\":{\"scripts\":" + QByteArray::number(totals.scripts);
    *out += ",\"scriptsWithAlerts\":" + QByteArray::number(totals.scriptsWithAlerts);
    *out += ",\"alerts\":" + QByteArray::number(totals.alerts);
    *out += ",\"scriptsWithLinesJoined\":" + QByteArray::number(totals.scriptsWithLinesJoined);
    *out += ",\"silenced\":" + QByteArray::number(totals.silenced);
    *out += ",\"errors\":" + QByteArray::number(totals.failures.size()) + "}}\n";
  }

 private:
  static void appendSilencing(const Diagnostic& d, QByteArray* out) {
    if (d.silenced == Diagnostic::Silenced::No) return;
    *out += ",\"silenced\":";
    appendString(out, QLatin1StringView(d.silenced == Diagnostic::Silenced::InSource ? "inSource"
                                                                                     : "external"));
    *out += ",\"reason\":";
    appendString(out, d.silencedBecause);
  }

  // What the checker says besides the table alerts goes in the script's
  // "diagnostics", after its alerts, so that a reader of "alerts" finds
  // only what it always found there.
  static void other(const Diagnostic& d, ScriptReport* script) {
    QByteArray* out = &script->held;
    *out += out->isEmpty() ? "\n{\"path\":" : ",\n{\"path\":";
    *out += script->pathText;
    *out += ",\"line\":" + QByteArray::number(d.line);
    *out += ",\"column\":" + QByteArray::number(d.column);
    if (d.endColumn > 0) *out += ",\"endColumn\":" + QByteArray::number(d.endColumn);
    *out += ",\"rule\":";
    appendString(out, d.ruleId());
    *out += ",\"severity\":";
    appendString(out, QLatin1StringView(d.severity() == Severity::Error ? "error" : "warning"));
    *out += ",\"message\":";
    appendString(out, d.message());
    appendSilencing(d, out);
    *out += '}';
  }

  const RunFacts facts_;
};

}  // namespace

std::unique_ptr<ReportFormat> makeJsonFormat(const RunFacts& facts) {
  return std::make_unique<JsonFormat>(facts);
}
