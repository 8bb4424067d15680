#include "TableDocuments.h"

#include <QDir>
#include <QFileInfo>
#include <QUrl>

std::optional<TableKind> tableOf(const QString& uri, const Tables& tables) {
  const QUrl url(uri);
  if (!url.isLocalFile()) return std::nullopt;
  const QString path = QDir::cleanPath(url.toLocalFile());
  const auto is = [&path](const QString& table) {
    return !table.isEmpty() && path == QDir::cleanPath(QFileInfo(table).absoluteFilePath());
  };
  if (is(tables.tagsPath)) return TableKind::Tags;
  if (is(tables.paramsPath)) return TableKind::Params;
  return std::nullopt;
}
