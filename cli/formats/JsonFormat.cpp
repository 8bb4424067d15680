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
    *out += ",\"severity\":";
    appendString(out, rules::severityName(alert.severity()));
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

  // The table check's own document: its findings, each a diagnostic as a
  // script's are, with the code it is about, and its rule under "kind" as
  // well, where this document's readers look for it.
  void tableCheck(const std::vector<Diagnostic>& found, const TableRowCounts&,
                  QByteArray* out) const override {
    *out += "{\"version\":1,\"findings\":[";
    for (std::size_t i = 0; i < found.size(); ++i) {
      const Diagnostic& d = found[i];
      QByteArray path;
      appendString(&path, d.path);
      *out += i > 0 ? ",\n" : "\n";
      appendDiagnostic(d, path, out);
      *out += ",\"code\":";
      appendString(out, d.code());
      *out += ",\"kind\":";
      appendString(out, d.ruleId());
      *out += '}';
    }
    *out += "\n]}\n";
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
    *out += out->isEmpty() ? "\n" : ",\n";
    appendDiagnostic(d, script->pathText, out);
    *out += '}';
  }

  // A diagnostic other than a table alert, open for more fields. One in no
  // line, a table that cannot be read, has neither line nor column.
  static void appendDiagnostic(const Diagnostic& d, const QByteArray& pathText, QByteArray* out) {
    *out += "{\"path\":" + pathText;
    if (d.line > 0) {
      *out += ",\"line\":" + QByteArray::number(d.line);
      *out += ",\"column\":" + QByteArray::number(d.column);
    }
    if (d.endColumn > 0) *out += ",\"endColumn\":" + QByteArray::number(d.endColumn);
    *out += ",\"rule\":";
    appendString(out, d.ruleId());
    *out += ",\"severity\":";
    appendString(out, rules::severityName(d.severity()));
    *out += ",\"message\":";
    appendString(out, d.message());
    appendSilencing(d, out);
  }

  const RunFacts facts_;
};

}  // namespace

std::unique_ptr<ReportFormat> makeJsonFormat(const RunFacts& facts) {
  return std::make_unique<JsonFormat>(facts);
}
