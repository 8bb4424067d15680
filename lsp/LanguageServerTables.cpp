// The language server's requests about the tables: the rows of an open
// table, the rows of a code in a script, the rows of a code typed.

#include "LanguageServer.h"

#include <QJsonArray>

#include "ProtocolValues.h"
#include "TableNavigation.h"

QJsonValue LanguageServer::documentSymbol(const QJsonValue& params, QString* problem) {
  QString uri;
  if (!lsp::readDocumentUri(params, &uri, problem)) return {};
  return tableDocuments_.symbols(uri, tables_.folder());
}

QJsonValue LanguageServer::definition(const QJsonValue& params, QString* problem) {
  QString uri;
  TextPosition position;
  if (!lsp::readDocumentPosition(params, &uri, &position, problem)) {
    return {};
  }
  const OpenDocuments::Document* document = documents_.find(uri);
  if (!document || !setup_ || !OpenDocuments::isScript(uri)) return QJsonValue::Null;
  const QJsonArray rows = tablenavigation::definitionAt(*setup_, document->text, position);
  return rows.isEmpty() ? QJsonValue(QJsonValue::Null) : QJsonValue(rows);
}

QJsonValue LanguageServer::workspaceSymbol(const QJsonValue& params, QString* problem) {
  QJsonObject object;
  QString query;
  if (!lsp::readObject(params, QStringLiteral("params"), &object, problem) ||
      !lsp::readString(object, QStringLiteral("params"), "query", &query, problem)) {
    return {};
  }
  return setup_ ? tablenavigation::rowsMatching(setup_->tables, query) : QJsonArray();
}

void LanguageServer::publishTables(const QString& only) {
  for (const TableDocuments::Published& table : tableDocuments_.diagnostics(tables_.folder())) {
    if (only.isEmpty() || table.uri == only) publish(table.uri, table.diagnostics, table.version);
  }
}
