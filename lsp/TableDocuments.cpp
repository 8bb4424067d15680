#include "TableDocuments.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonObject>
#include <QUrl>

#include "DocumentCheck.h"
#include "EditorText.h"
#include "LineEndSource.h"
#include "ProtocolValues.h"
#include "TableCheck.h"
#include "TableFolder.h"
#include "TableLoader.h"
#include "TextPositions.h"

namespace {

constexpr int kSymbolConstant = 14;

QString localPath(const QString& uri) {
  const QUrl url(uri);
  return url.isLocalFile() ? QDir::cleanPath(url.toLocalFile()) : QString();
}

// The same file, however the two paths reach it: the editor may have
// opened it through a link the settings do not name.
bool samePath(const QString& a, const QString& b) {
  if (a.isEmpty() || b.isEmpty()) return false;
  if (a == b) return true;
  const QString canonical = QFileInfo(a).canonicalFilePath();
  return !canonical.isEmpty() && canonical == QFileInfo(b).canonicalFilePath();
}

const QString kTags = QStringLiteral("tags.txt");
const QString kParams = QStringLiteral("param.txt");

}  // namespace

TableDocuments::TableDocuments(const OpenDocuments& documents)
    : documents_(documents),
      unsavedFiles_(
          [this](const QString& path, QByteArray* text) { return textOf(path, true, text); }),
      openFiles_(
          [this](const QString& path, QByteArray* text) { return textOf(path, false, text); }) {}

void TableDocuments::edited(const QString& uri) {
  unsaved_.insert(uri);
}

bool TableDocuments::saved(const QString& uri) {
  return unsaved_.erase(uri) > 0;
}

bool TableDocuments::textOf(const QString& path, bool unsavedOnly, QByteArray* text) const {
  for (const QString& uri : documents_.uris()) {
    if (!OpenDocuments::isTableFile(uri) || (unsavedOnly && unsaved_.count(uri) == 0) ||
        !samePath(localPath(uri), path)) {
      continue;
    }
    *text = documents_.find(uri)->text;
    return true;
  }
  return false;
}

std::optional<TableKind> TableDocuments::tableOf(const QString& uri, const QString& folder) const {
  if (folder.isEmpty() || !OpenDocuments::isTableFile(uri)) return std::nullopt;
  const QString path = localPath(uri);
  if (samePath(path, tableFilePath(folder, kTags))) return TableKind::Tags;
  if (samePath(path, tableFilePath(folder, kParams))) return TableKind::Params;
  return std::nullopt;
}

std::vector<TableDocuments::Published> TableDocuments::diagnostics(const QString& folder) {
  std::vector<Published> published;
  std::vector<Diagnostic> found;
  bool checked = false;
  for (const QString& uri : documents_.uris()) {
    if (!OpenDocuments::isTableFile(uri)) continue;
    const OpenDocuments::Document* document = documents_.find(uri);
    Published one{uri, document->version, {}};
    if (const auto table = tableOf(uri, folder)) {
      // Both tables are read, for the codes in both.
      if (!checked) found = checkTables(openFiles_, folder);
      checked = true;
      const QString path = tableFilePath(folder, *table == TableKind::Tags ? kTags : kParams);
      std::vector<Diagnostic> own;
      for (const Diagnostic& d : found) {
        if (d.path == path) own.push_back(d);
      }
      one.diagnostics = diagnosticsOf(tableDocumentCheck(document->text, std::move(own)));
    }
    published.push_back(std::move(one));
  }
  return published;
}

QJsonArray TableDocuments::symbols(const QString& uri, const QString& folder) {
  const auto table = tableOf(uri, folder);
  const OpenDocuments::Document* document = documents_.find(uri);
  if (!table || !document) return {};
  const QString path = tableFilePath(folder, *table == TableKind::Tags ? kTags : kParams);
  const tablerecord::Format format =
      *table == TableKind::Tags ? tablerecord::Format::Tags : tablerecord::Format::Params;
  const QByteArray text =
      lineends::asRead(editortext::forChecking(document->text), textlines::LineEnds::Auto);
  ReferenceTable rows;
  TableFault fault;
  if (!loadTable(openFiles_, path, format, &rows, &fault) && fault.line > 1) {
    // The rows before the refused line, as they read on their own.
    const QByteArray before =
        document->text.first(ForwardPositions(text).scriptLine(fault.line).start);
    EditorTableFiles head([&](const QString& asked, QByteArray* served) {
      if (asked != path) return false;
      *served = before;
      return true;
    });
    loadTable(head, path, format, &rows, &fault);
  }
  QJsonArray symbols;
  ForwardPositions lines(text);
  ForwardPositions positions(text);
  for (const TableRow& row : rows.rows()) {
    const ScriptLine line = lines.scriptLine(row.line);
    const lsp::TextRange range{positions.positionOf(line.start), positions.positionOf(line.end)};
    // A symbol needs a name an editor can show.
    const QString name = row.code.isEmpty() ? shownCode(row.code) : row.code.toString();
    symbols.append(QJsonObject{{QLatin1StringView("name"), name},
                               {QLatin1StringView("detail"), row.message.toString()},
                               {QLatin1StringView("kind"), kSymbolConstant},
                               {QLatin1StringView("range"), lsp::toJson(range)},
                               {QLatin1StringView("selectionRange"), lsp::toJson(range)}});
  }
  return symbols;
}
