#include "TableNavigation.h"

#include <QJsonObject>
#include <QUrl>

#include "ProtocolValues.h"
#include "ScriptHover.h"
#include "TableCheck.h"

namespace {

constexpr int kSymbolConstant = 14;

// A row's place: its whole line, up to the start of the next.
QJsonObject locationOf(const QString& path, const TableRow& row) {
  const lsp::TextRange range{{row.line - 1, 0}, {row.line, 0}};
  return {{QLatin1StringView("uri"), QUrl::fromLocalFile(path).toString()},
          {QLatin1StringView("range"), lsp::toJson(range)}};
}

}  // namespace

namespace tablenavigation {

QJsonArray definitionAt(const CheckSetup& setup, const QByteArray& text, TextPosition position) {
  Diagnostic alert;
  lsp::TextRange range;
  if (!alertAt(setup, text, position, &alert, &range)) return {};
  QJsonArray locations;
  const Tables& tables = setup.tables;
  for (const TableKind kind : {TableKind::Tags, TableKind::Params}) {
    const ReferenceTable& table = tables[kind];
    if (const qsizetype row = table.find(alert.row->code); row >= 0) {
      locations.append(locationOf(kind == TableKind::Tags ? tables.tagsPath : tables.paramsPath,
                                  table.row(row)));
    }
  }
  return locations;
}

QJsonArray rowsMatching(const Tables& tables, const QString& query) {
  QJsonArray symbols;
  for (const TableKind kind : {TableKind::Tags, TableKind::Params}) {
    const QString& path = kind == TableKind::Tags ? tables.tagsPath : tables.paramsPath;
    for (const TableRow& row : tables[kind].rows()) {
      if (!row.code.contains(query, Qt::CaseSensitive)) continue;
      const QString name = row.code.isEmpty() ? shownCode(row.code) : row.code.toString();
      symbols.append(
          QJsonObject{{QLatin1StringView("name"), name},
                      {QLatin1StringView("kind"), kSymbolConstant},
                      {QLatin1StringView("location"), locationOf(path, row)},
                      {QLatin1StringView("containerName"),
                       QLatin1StringView(kind == TableKind::Tags ? "tags.txt" : "param.txt")}});
    }
  }
  return symbols;
}

}  // namespace tablenavigation
