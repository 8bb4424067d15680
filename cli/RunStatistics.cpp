#include "RunStatistics.h"

#include <algorithm>
#include <vector>

#include "JsonText.h"
#include "LineText.h"
#include "Rules.h"

namespace {

using jsontext::appendString;

struct Row {
  TableKind table;
  const TableRow* row;
};

// The rows hit, the most alerts first, silenced ones counted.
std::vector<RowHits> mostHitFirst(const RunTotals& totals) {
  std::vector<RowHits> hits = totals.hits;
  std::stable_sort(hits.begin(), hits.end(), [](const RowHits& a, const RowHits& b) {
    return a.count + a.silenced > b.count + b.silenced;
  });
  return hits;
}

// The rows no alert hit, silenced or not, tags first, in file order.
std::vector<Row> deadRows(const RunTotals& totals, const Tables& tables) {
  std::vector<Row> dead;
  std::size_t next = 0;  // of totals.hits, which are in the same order
  for (const TableKind table : {TableKind::Tags, TableKind::Params}) {
    const ReferenceTable& rows = tables[table];
    for (qsizetype i = 0; i < rows.size(); ++i) {
      if (next < totals.hits.size() && totals.hits[next].table == table &&
          totals.hits[next].row == i) {
        ++next;
        continue;
      }
      dead.push_back({table, &rows.row(i)});
    }
  }
  return dead;
}

const QString& nameOf(const TableNames& names, TableKind table) {
  return table == TableKind::Tags ? names.tags : names.params;
}

void appendRow(TableKind table, const TableRow& row, const TableNames& names, QByteArray* out) {
  *out += "{\"code\":";
  appendString(out, row.code);
  *out += ",\"table\":";
  appendString(out, rules::tableName(table));
  *out += ",\"rule\":";
  appendString(out, rules::rowId(table, row.code));
  *out += ",\"message\":";
  appendString(out, row.message);
  *out += ",\"path\":";
  appendString(out, nameOf(names, table));
  *out += ",\"line\":" + QByteArray::number(row.line);
}

class StatisticsFormat : public ReportFormat {
 public:
  StatisticsFormat(const RunFacts& facts, const TableNames& names)
      : tables_(*facts.tables), names_(names) {}

  bool carriesEveryRule() const override { return false; }
  void diagnostic(const Diagnostic&, ScriptReport*, QByteArray*) const override {}

  void end(const RunTotals& totals, QByteArray* out) const override {
    *out += "{\"version\":1,\"codes\":[";
    const std::vector<RowHits> hits = mostHitFirst(totals);
    for (std::size_t i = 0; i < hits.size(); ++i) {
      const RowHits& hit = hits[i];
      *out += i > 0 ? ",\n" : "\n";
      appendRow(hit.table, tables_[hit.table].row(hit.row), names_, out);
      *out += ",\"count\":" + QByteArray::number(hit.count);
      *out += ",\"scripts\":" + QByteArray::number(hit.scripts);
      *out += ",\"silenced\":" + QByteArray::number(hit.silenced) + '}';
    }
    *out += "\n],\"deadRows\":[";
    const std::vector<Row> dead = deadRows(totals, tables_);
    for (std::size_t i = 0; i < dead.size(); ++i) {
      *out += i > 0 ? ",\n" : "\n";
      appendRow(dead[i].table, *dead[i].row, names_, out);
      *out += '}';
    }
    *out += "\n],\"summary\":{\"scripts\":" + QByteArray::number(totals.scripts);
    *out += ",\"scriptsWithAlerts\":" + QByteArray::number(totals.scriptsWithAlerts);
    *out += ",\"alerts\":" + QByteArray::number(totals.alerts);
    *out += ",\"scriptsWithLinesJoined\":" + QByteArray::number(totals.scriptsWithLinesJoined);
    *out += ",\"silenced\":" + QByteArray::number(totals.silenced);
    *out += ",\"errors\":" + QByteArray::number(totals.failures.size()) + "}}\n";
  }

 private:
  const Tables& tables_;
  const TableNames names_;
};

}  // namespace

QString statisticsText(const RunTotals& totals, const Tables& tables, const TableNames& names) {
  QStringList lines;
  const std::vector<RowHits> hits = mostHitFirst(totals);
  if (!hits.empty()) {
    lines += QStringLiteral("%1  %2  %3  message")
                 .arg(QStringLiteral("alerts"), 7)
                 .arg(QStringLiteral("scripts"), 7)
                 .arg(QStringLiteral("code"), -12);
  }
  for (const RowHits& hit : hits) {
    const TableRow& row = tables[hit.table].row(hit.row);
    lines += QStringLiteral("%1  %2  %3  %4%5")
                 .arg(hit.count, 7)
                 .arg(hit.scripts, 7)
                 .arg(lineShown(rules::rowId(hit.table, row.code)), -12)
                 .arg(lineShown(row.message))
                 .arg(hit.silenced > 0 ? QStringLiteral(" (and %1 silenced)").arg(hit.silenced)
                                       : QString());
  }
  const std::vector<Row> dead = deadRows(totals, tables);
  if (!dead.empty()) {
    lines += QStringLiteral("%1 %2 that no script hit:")
                 .arg(dead.size())
                 .arg(QLatin1StringView(dead.size() == 1 ? "row" : "rows"));
  }
  for (const Row& row : dead) {
    QString line = QStringLiteral("%1:%2: %3")
                       .arg(lineShown(nameOf(names, row.table)))
                       .arg(row.row->line)
                       .arg(lineShown(row.row->code));
    if (!row.row->message.isEmpty()) line += QStringLiteral("  ") + lineShown(row.row->message);
    lines += line;
  }
  return lines.join(u'\n');
}

std::unique_ptr<ReportFormat> makeStatisticsFormat(const RunFacts& facts, const TableNames& names) {
  return std::make_unique<StatisticsFormat>(facts, names);
}
