#include "TableTasks.h"

#include "JsonText.h"
#include "LineText.h"
#include "RowExplanation.h"
#include "ScriptName.h"
#include "SystemText.h"
#include "TableCheck.h"

namespace {

using jsontext::appendString;

struct Listed {
  TableKind table;
  const QString* path;
  const TableRow* row;
};

// The part of `id` after "<table>/", or null when it names no table.
QStringView codeInTable(TableKind table, QStringView id) {
  const QLatin1StringView name = rules::tableName(table);
  if (id.size() <= name.size() || !id.startsWith(name) || id[name.size()] != u'/') return {};
  return id.sliced(name.size() + 1);
}

// Every row, or those `id` names: a code's in both tables, a row's rule's
// ("params/zmod") in its table alone.
std::vector<Listed> rowsOf(const Tables& tables, QStringView id = {}) {
  std::vector<Listed> listed;
  for (const TableKind table : {TableKind::Tags, TableKind::Params}) {
    const QString& path = table == TableKind::Tags ? tables.tagsPath : tables.paramsPath;
    const QStringView code = codeInTable(table, id);
    for (const TableRow& row : tables[table].rows()) {
      if (id.isNull() || row.code == id || (!code.isNull() && row.code == code))
        listed.push_back({table, &path, &row});
    }
  }
  return listed;
}

// What --explain says of an id that names nothing.
QString namesNothing(QStringView id) {
  for (const TableKind table : {TableKind::Tags, TableKind::Params}) {
    if (const QStringView code = codeInTable(table, id); !code.isNull())
      return QStringLiteral("%1 is not in %2\n").arg(shownCode(code), rules::tableName(table));
  }
  return QStringLiteral("%1 is in no table\n").arg(shownCode(id));
}

// What the project's settings make of a row or rule under --explain: its
// severity, and why it is not reported when it is not.
QString inForce(Severity severity, const QString& leftOut) {
  QString text = QStringLiteral("  severity: ") + rules::severityName(severity);
  if (!leftOut.isEmpty()) text += QStringLiteral(" (not reported: %1)").arg(leftOut);
  return text + u'\n';
}

void appendInForce(Severity severity, const QString& leftOut, QByteArray* out) {
  *out += ",\"severity\":";
  appendString(out, rules::severityName(severity));
  if (leftOut.isEmpty()) return;
  *out += ",\"notReported\":";
  appendString(out, leftOut);
}

qsizetype indexOf(const Tables& tables, const Listed& listed) {
  return listed.row - tables[listed.table].rows().data();
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

bool taskWrites(CliOptions::Task task, const QString& format) {
  switch (task) {
    case CliOptions::Task::ListCodes:
      return format == "classic" || format == "gcc" || format == "json";
    case CliOptions::Task::Explain:
      return format == "classic" || format == "json";
    case CliOptions::Task::Check:
    case CliOptions::Task::CheckTables:
    case CliOptions::Task::LanguageServer:
      break;
  }
  return true;
}

QString unfitFormat(CliOptions::Task task, const QString& format) {
  return task == CliOptions::Task::ListCodes
             ? QStringLiteral("--list-codes writes classic, gcc or json, not %1").arg(format)
             : QStringLiteral("--explain writes classic or json, not %1").arg(format);
}

int checkTablesTask(FileSystem& files, const QString& folder, const QString& shownFolder,
                    const ReportFormat& format, ReportOutput& output) {
  TableRowCounts rows;
  std::vector<Diagnostic> found = checkTables(files, folder, &rows);
  int status = 0;
  for (Diagnostic& d : found) {
    d.path = tableName(shownFolder, d.path);
    status = qMax(status, d.severity() == Severity::Error     ? 2
                          : d.severity() == Severity::Warning ? 1
                                                              : 0);
  }
  QByteArray out;
  format.tableCheck(found, rows, &out);
  output.write(out);
  return status;
}

int listCodesTask(const Tables& tables, const QString& format, ReportOutput& output) {
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

int explainTask(const Tables& tables, const RuleSelection& selection, const QString& id,
                const QString& format, ReportOutput& output) {
  const std::vector<Listed> rows = rowsOf(tables, id);
  // A rule's name is explained too: a table row is one rule, the checker's
  // own rules are the others.
  const RuleInfo* rule = rules::find(id);
  QByteArray out;
  if (format == "json") {
    out = "{\"version\":1,\"code\":";
    appendString(&out, id);
    out += ",\"rows\":[";
    for (std::size_t i = 0; i < rows.size(); ++i) {
      out += i > 0 ? ",\n" : "\n";
      appendJsonRow(rows[i], &out);
      out.chop(1);
      const qsizetype row = indexOf(tables, rows[i]);
      appendInForce(selection.severityOf(rows[i].table, row), selection.leftOut(rows[i].table, row),
                    &out);
      out += '}';
    }
    out += "\n]";
    if (rule) {
      out += ",\"rule\":{\"defaultSeverity\":";
      appendString(&out, rules::severityName(rule->severity));
      appendInForce(selection.severityOf(rule->rule), selection.leftOut(rule->rule), &out);
      out += ",\"summary\":";
      appendString(&out, rule->summary);
      out += ",\"description\":";
      appendString(&out, rule->description);
      out += '}';
    }
    out += "}\n";
  } else if (rule) {
    out = encodeSystemText(explainRule(*rule) + inForce(selection.severityOf(rule->rule),
                                                        selection.leftOut(rule->rule)));
  } else if (rows.empty()) {
    out = encodeSystemText(namesNothing(id));
  } else {
    for (const Listed& listed : rows) {
      const qsizetype row = indexOf(tables, listed);
      out += encodeSystemText(
          explainRow(tables, listed.table, *listed.row) +
          inForce(selection.severityOf(listed.table, row), selection.leftOut(listed.table, row)));
    }
  }
  output.write(out);
  return rows.empty() && !rule ? 1 : 0;
}
