#include "TableTasks.h"

#include "JsonText.h"
#include "LineText.h"
#include "RowExplanation.h"
#include "SystemText.h"
#include "TableCheck.h"
#include "formats/Formats.h"

namespace {

using jsontext::appendString;

int unfit(const QString& task, const QString& format, const QString& fits, QString* error) {
  *error = QStringLiteral("%1 writes %2, not %3").arg(task, fits, format);
  return -1;
}

struct Listed {
  TableKind table;
  const QString* path;
  const TableRow* row;
};

std::vector<Listed> rowsOf(const Tables& tables, QStringView onlyCode = {}) {
  std::vector<Listed> listed;
  for (const TableKind table : {TableKind::Tags, TableKind::Params}) {
    const QString& path = table == TableKind::Tags ? tables.tagsPath : tables.paramsPath;
    for (const TableRow& row : tables[table].rows()) {
      if (onlyCode.isNull() || row.code == onlyCode) listed.push_back({table, &path, &row});
    }
  }
  return listed;
}

void appendJsonRow(const Listed& listed, QByteArray* out) {
  *out += "{\"code\":";
  appendString(out, listed.row->code);
  *out += ",\"table\":";
  appendString(out, rules::tableName(listed.table));
  *out += ",\"message\":";
  appendString(out, listed.row->message);
  *out += ",\"note\":";
  appendString(out, listed.row->note);
  *out += ",\"path\":";
  appendString(out, *listed.path);
  *out += ",\"line\":" + QByteArray::number(listed.row->line) + '}';
}

}  // namespace

int checkTablesTask(FileSystem& files, const QString& folder, const QString& format,
                    ReportOutput& output, QString* error) {
  if (format != "classic" && format != "gcc" && format != "json" && format != "github")
    return unfit(QStringLiteral("--check-tables"), format,
                 QStringLiteral("classic, gcc, json or github"), error);
  TableRowCounts rows;
  const std::vector<Diagnostic> found = checkTables(files, folder, &rows);
  int status = 0;
  QByteArray out = format == "json" ? "{\"version\":1,\"findings\":[" : "";
  for (std::size_t i = 0; i < found.size(); ++i) {
    const Diagnostic& f = found[i];
    const bool fault = f.severity() == Severity::Error;
    const QByteArray kind = f.ruleId().toUtf8();
    status = qMax(status, fault ? 2 : 1);
    const QByteArray where = lineText(f.path) + ':' + QByteArray::number(f.line);
    if (format == "classic") {
      out += where + ": " + (fault ? "error: " : "") + lineText(f.message()) + '\n';
    } else if (format == "gcc") {
      // Warnings name their kind, as linters name a rule; a fault has none.
      out += where + ":1: " + (fault ? "error: " : "warning: ") + lineText(f.message()) +
             (fault ? QByteArray() : " [" + kind + ']') + '\n';
    } else if (format == "github") {
      out += (fault ? "::error file=" : "::warning file=") + encodeSystemText(f.path) +
             ",line=" + QByteArray::number(f.line) + ",title=" + kind +
             "::" + lineText(f.message()) + '\n';
    } else {
      out += i > 0 ? ",\n{\"severity\":" : "\n{\"severity\":";
      appendString(&out, QLatin1StringView(fault ? "error" : "warning"));
      out += ",\"kind\":";
      appendString(&out, f.ruleId());
      out += ",\"path\":";
      appendString(&out, f.path);
      out += ",\"line\":" + QByteArray::number(f.line) + ",\"code\":";
      appendString(&out, f.code());
      out += ",\"message\":";
      appendString(&out, f.message());
      out += '}';
    }
  }
  if (format == "json") out += "\n]}\n";
  // Someone reading the check learns that it ran, and on what; the other
  // formats are read by programs, for which no finding says it all.
  if (format == "classic" && found.empty()) {
    out += QStringLiteral("tables are clean: %1 %2, %3 %4\n")
               .arg(QString::number(rows.tags),
                    rows.tags == 1 ? QStringLiteral("tag") : QStringLiteral("tags"),
                    QString::number(rows.params),
                    rows.params == 1 ? QStringLiteral("parameter") : QStringLiteral("parameters"))
               .toUtf8();
  }
  output.write(out);
  return status;
}

int listCodesTask(const Tables& tables, const QString& format, ReportOutput& output,
                  QString* error) {
  if (format != "classic" && format != "gcc" && format != "json")
    return unfit(QStringLiteral("--list-codes"), format, QStringLiteral("classic, gcc or json"),
                 error);
  QByteArray out = format == "json" ? "{\"version\":1,\"codes\":[" : "";
  const std::vector<Listed> rows = rowsOf(tables);
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const Listed& listed = rows[i];
    if (format == "classic") {
      out +=
          lineText(listed.row->code) + "  " +
          QByteArray(rules::tableName(listed.table).data(), rules::tableName(listed.table).size())
              .leftJustified(6) +
          "  " + lineText(listed.row->message) + '\n';
    } else if (format == "gcc") {
      out += lineText(*listed.path) + ':' + QByteArray::number(listed.row->line) +
             ":1: note: " + lineText(listed.row->code) + ": " + lineText(listed.row->message) +
             '\n';
    } else {
      out += i > 0 ? ",\n" : "\n";
      appendJsonRow(listed, &out);
    }
  }
  if (format == "json") out += "\n]}\n";
  output.write(out);
  return 0;
}

int explainTask(const Tables& tables, const QString& code, const QString& format,
                ReportOutput& output, QString* error) {
  if (format != "classic" && format != "json")
    return unfit(QStringLiteral("--explain"), format, QStringLiteral("classic or json"), error);
  const std::vector<Listed> rows = rowsOf(tables, code);
  // A rule's name is explained too: a table row is one rule, the checker's
  // own rules are the others.
  const RuleInfo* rule = rules::find(code);
  QByteArray out;
  if (format == "json") {
    out = "{\"version\":1,\"code\":";
    appendString(&out, code);
    out += ",\"rows\":[";
    for (std::size_t i = 0; i < rows.size(); ++i) {
      out += i > 0 ? ",\n" : "\n";
      appendJsonRow(rows[i], &out);
    }
    out += "\n]";
    if (rule) {
      out += ",\"rule\":{\"severity\":";
      appendString(&out,
                   QLatin1StringView(rule->severity == Severity::Error ? "error" : "warning"));
      out += ",\"summary\":";
      appendString(&out, rule->summary);
      out += ",\"description\":";
      appendString(&out, rule->description);
      out += '}';
    }
    out += "}\n";
  } else if (rule) {
    out = encodeSystemText(explainRule(*rule));
  } else if (rows.empty()) {
    out = encodeSystemText(QStringLiteral("%1 is in no table\n").arg(shownCode(code)));
  } else {
    for (const Listed& listed : rows)
      out += encodeSystemText(explainRow(tables, listed.table, *listed.row));
  }
  output.write(out);
  return rows.empty() && !rule ? 1 : 0;
}
