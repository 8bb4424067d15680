#include "Formats.h"
#include "JsonText.h"
#include "NativePath.h"
#include "RowExplanation.h"

namespace {

using jsontext::appendString;

const QLatin1StringView kBaseId("SRCROOT");

// A path's file URI, its bytes percent-encoded but for its slashes.
QByteArray uriPath(const QString& path) {
  return encodeNativePath(path).toPercentEncoding("/");
}

// A table row's description: its message, or its code when it gives none,
// as a diagnostic's message is shown; SARIF wants a text.
QStringView descriptionOf(const TableRow& row) {
  return row.message.isEmpty() ? row.code : row.message;
}

// A rule's help as --explain shows it, which code scanning shows beside
// each alert of the rule.
void appendHelp(const QString& text, const QString& markdown, QByteArray* out) {
  *out += ",\"help\":{\"text\":";
  appendString(out, text);
  *out += ",\"markdown\":";
  appendString(out, markdown);
  *out += '}';
}

// SARIF 2.1.0: one run, a result for each diagnostic, located by a URI
// relative to the working folder (SRCROOT) and by line and columns (in
// code points);
// a rule for each table row that alerts hit and for each other rule that
// gave a diagnostic, with what --explain says of it as its help; paths
// that could not be checked as tool execution notifications.
class SarifFormat : public ReportFormat {
 public:
  explicit SarifFormat(const RunFacts& facts) : facts_(facts) {}

  bool partsStartWithSeparator() const override { return true; }

  void begin(QByteArray* out) const override {
    *out +=
        "{\"$schema\":\"https://json.schemastore.org/sarif-2.1.0.json\",\"version\":\"2.1.0\","
        "\"runs\":[{\"columnKind\":\"unicodeCodePoints\",\"originalUriBaseIds\":{\"";
    *out += kBaseId;
    *out += "\":{\"uri\":";
    appendString(out, QString::fromLatin1("file://" + uriPath(facts_.workingFolder) + '/'));
    *out += "}},\"results\":[";
  }

  void openScript(ScriptReport* script, QByteArray*) const override {
    script->pathText = artifactLocation(script->path);
  }

  void diagnostic(const Diagnostic& alert, ScriptReport* script, QByteArray* out) const override {
    *out += ",\n{\"ruleId\":";
    appendString(out, alert.ruleId());
    *out += alert.severity() == Severity::Error     ? ",\"level\":\"error\""
            : alert.severity() == Severity::Warning ? ",\"level\":\"warning\""
                                                    : ",\"level\":\"note\"";
    *out += ",\"message\":{\"text\":";
    appendString(out, alert.message());
    *out += "},\"locations\":[{\"physicalLocation\":{\"artifactLocation\":" + script->pathText;
    if (alert.line > 0) {
      *out += ",\"region\":{\"startLine\":" + QByteArray::number(alert.line);
      if (alert.column > 0) *out += ",\"startColumn\":" + QByteArray::number(alert.column);
      if (alert.endColumn > 0) *out += ",\"endColumn\":" + QByteArray::number(alert.endColumn);
      *out += "}}}]";
    } else {
      // A result in no line, a table that cannot be read, is the file's:
      // an empty region at its start, which names no line, as validators
      // want a region of every result.
      *out += ",\"region\":{\"byteOffset\":0,\"byteLength\":0}}}]";
    }
    if (alert.silenced != Diagnostic::Silenced::No) {
      *out += ",\"suppressions\":[{\"kind\":";
      *out += alert.silenced == Diagnostic::Silenced::InSource ? "\"inSource\"" : "\"external\"";
      if (!alert.silencedBecause.isEmpty()) {
        *out += ",\"justification\":";
        appendString(out, alert.silencedBecause);
      }
      *out += "}]";
    }
    *out += '}';
  }

  void end(const RunTotals& totals, QByteArray* out) const override {
    *out += "\n],\"tool\":{\"driver\":{\"name\":";
    appendString(out, facts_.toolName);
    *out += ",\"version\":";
    appendString(out, facts_.toolVersion);
    if (!facts_.toolInformationUri.isEmpty()) {
      *out += ",\"informationUri\":";
      appendString(out, facts_.toolInformationUri);
    }
    *out += ",\"rules\":[";
    bool wroteRule = false;
    for (std::size_t i = 0; i < totals.hits.size(); ++i) {
      const RowHits& hit = totals.hits[i];
      const TableRow& row = (*facts_.tables)[hit.table].row(hit.row);
      *out += i > 0 ? ",\n{\"id\":" : "\n{\"id\":";
      appendString(out, rules::rowId(hit.table, row.code));
      *out += ",\"shortDescription\":{\"text\":";
      appendString(out, descriptionOf(row));
      // Code scanning wants a full description of every rule; a row without
      // a note has no more to say than its message.
      *out += "},\"fullDescription\":{\"text\":";
      appendString(out, row.note.isEmpty() ? descriptionOf(row) : QStringView(row.note));
      *out += '}';
      appendHelp(explainRow(*facts_.tables, hit.table, row),
                 explainRowMarkdown(*facts_.tables, hit.table, row), out);
      *out += ",\"defaultConfiguration\":{\"level\":\"warning\"},\"properties\":{\"table\":";
      appendString(out, rules::tableName(hit.table));
      *out += ",\"code\":";
      appendString(out, row.code);
      *out += ",\"tableLine\":" + QByteArray::number(row.line) + "}}";
    }
    for (const RuleInfo& info : rules::all()) {
      if (!(totals.rules & (quint32(1) << int(info.rule)))) continue;
      *out += totals.hits.empty() && !wroteRule ? "\n{\"id\":" : ",\n{\"id\":";
      wroteRule = true;
      appendString(out, info.id);
      *out += ",\"shortDescription\":{\"text\":";
      appendString(out, info.summary);
      *out += "},\"fullDescription\":{\"text\":";
      appendString(out, info.description);
      *out += '}';
      appendHelp(explainRule(info), explainRuleMarkdown(info), out);
      *out += ",\"defaultConfiguration\":{\"level\":";
      *out += info.severity == Severity::Error ? "\"error\"}}" : "\"warning\"}}";
    }
    *out += "]}},\"invocations\":[{\"executionSuccessful\":";
    *out += totals.failures.isEmpty() ? "true" : "false";
    *out += ",\"toolExecutionNotifications\":[";
    for (qsizetype i = 0; i < totals.failures.size(); ++i) {
      const ScriptFailure& failure = totals.failures[i];
      *out += i > 0 ? ",\n{\"level\":\"error\",\"message\":{\"text\":"
                    : "\n{\"level\":\"error\",\"message\":{\"text\":";
      appendString(out, failure.path + QStringLiteral(": ") + failure.reason);
      *out += "},\"locations\":[{\"physicalLocation\":{\"artifactLocation\":";
      *out += artifactLocation(failure.path) + "}}]}";
    }
    *out += "]}]}]}\n";
  }

 private:
  // The script's name as a URI relative to the working folder; an absolute
  // name below the working folder too, with the folder's part taken off.
  // Any other absolute name is an absolute file URI. A `..` stays, as it
  // does in the name: this is the name's URI, not the file's.
  QByteArray artifactLocation(const QString& path) const {
    const QString base = facts_.workingFolder + u'/';
    QString relative = path;
    if (path.startsWith(u'/')) {
      relative = path.startsWith(base) && !hasParentSegment(path.sliced(base.size()))
                     ? path.sliced(base.size())
                     : QString();
    }
    QByteArray location = "{\"uri\":";
    if (!relative.isEmpty()) {
      appendString(&location, QString::fromLatin1(uriPath(relative)));
      location += ",\"uriBaseId\":";
      appendString(&location, kBaseId);
    } else {
      appendString(&location, QString::fromLatin1("file://" + uriPath(path)));
    }
    return location + '}';
  }

  static bool hasParentSegment(const QString& path) {
    return path.split(u'/').contains(QStringLiteral(".."));
  }

  const RunFacts facts_;
};

}  // namespace

std::unique_ptr<ReportFormat> makeSarifFormat(const RunFacts& facts) {
  return std::make_unique<SarifFormat>(facts);
}
