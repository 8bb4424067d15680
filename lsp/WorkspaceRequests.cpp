#include "WorkspaceRequests.h"

#include <optional>

#include <QFileInfo>
#include <QJsonArray>
#include <QJsonObject>
#include <QUrl>

#include "ScriptHover.h"

namespace workspacerequests {

namespace {

// The row of a table that stands on the 0-based `line` of its file.
const TableRow* rowOnLine(const ReferenceTable& table, qint64 line) {
  for (const TableRow& row : table.rows()) {
    if (row.line == line + 1) return &row;
  }
  return nullptr;
}

QJsonObject location(const QString& uri, const lsp::TextRange& range) {
  return {{QLatin1StringView("uri"), uri}, {QLatin1StringView("range"), lsp::toJson(range)}};
}

QString tableUri(const Tables& tables, TableKind kind) {
  return QUrl::fromLocalFile(
             QFileInfo(kind == TableKind::Tags ? tables.tagsPath : tables.paramsPath)
                 .absoluteFilePath())
      .toString(QUrl::FullyEncoded);
}

QString counted(qint64 n, const char* one, const char* many) {
  return QStringLiteral("%1 %2").arg(n).arg(QLatin1StringView(n == 1 ? one : many));
}

}  // namespace

QJsonValue references(const WorkspaceIndex& index, const CheckSetup* setup,
                      const OpenDocuments& documents, std::optional<TableKind> table,
                      const QJsonValue& params, QString* problem) {
  QString uri;
  TextPosition position;
  const QJsonObject object = params.toObject();
  if (!lsp::readDocumentPosition(params, &uri, &position, problem)) {
    return {};
  }
  const QJsonValue context = object.value(QLatin1StringView("context"));
  if (!context.isUndefined() && !context.isObject()) {
    *problem = QStringLiteral("params.context must be an object");
    return {};
  }
  const bool declarations =
      context.toObject().value(QLatin1StringView("includeDeclaration")).toBool();
  if (!setup) return QJsonValue::Null;
  const TableRow* row = nullptr;
  Diagnostic alert;
  lsp::TextRange range;
  if (table) {
    row = rowOnLine(setup->tables[*table], position.line);
  } else if (const OpenDocuments::Document* document = documents.find(uri);
             document && OpenDocuments::isScript(uri) &&
             alertAt(*setup, document->text, position, &alert, &range)) {
    row = alert.row;
  }
  if (!row) return QJsonValue::Null;
  QJsonArray locations;
  if (declarations) {
    for (const TableKind kind : {TableKind::Tags, TableKind::Params}) {
      for (const TableRow& listed : setup->tables[kind].rows()) {
        // The row's line, whole: the code is where the line starts.
        if (listed.code == row->code)
          locations.append(
              location(tableUri(setup->tables, kind), {{listed.line - 1, 0}, {listed.line, 0}}));
      }
    }
  }
  for (const WorkspaceIndex::Place& place : index.alertsOf(row->code))
    locations.append(location(place.uri, place.range));
  return locations;
}

QJsonValue rowHover(const WorkspaceIndex& index, const CheckSetup* setup,
                    std::optional<TableKind> table, const QJsonValue& params, QString* problem) {
  QString uri;
  TextPosition position;
  if (!lsp::readDocumentPosition(params, &uri, &position, problem)) {
    return {};
  }
  const TableRow* row = setup && table ? rowOnLine(setup->tables[*table], position.line) : nullptr;
  if (!row) return QJsonValue::Null;
  const WorkspaceIndex::Counts counts = index.countsOf(row);
  QString text = row->code.toString();
  if (!row->message.isEmpty()) text += QStringLiteral(": ") + row->message.toString();
  text += u'\n' + counted(counts.alerts, "alert", "alerts") + QStringLiteral(" in ") +
          counted(counts.scripts, "script", "scripts") + QStringLiteral(" of the workspace");
  return QJsonObject{{QLatin1StringView("contents"),
                      QJsonObject{{QLatin1StringView("kind"), QLatin1StringView("plaintext")},
                                  {QLatin1StringView("value"), text}}},
                     {QLatin1StringView("range"),
                      lsp::toJson(lsp::TextRange{{row->line - 1, 0}, {row->line, 0}})}};
}

}  // namespace workspacerequests
