#include "TableLoader.h"

#include <QDir>

#include "TextLines.h"

QString TableFault::message() const {
  if (line > 0) return QStringLiteral("%1: line %2: %3").arg(path).arg(line).arg(reason);
  return path + QStringLiteral(": ") + reason;
}

bool loadTable(FileSystem& files, const QString& path, tablerecord::Format format,
               ReferenceTable* table, TableFault* fault) {
  *fault = TableFault{path, 0, QString()};
  QByteArray bytes;
  const std::unique_ptr<ByteSource> source = files.open(path, &fault->reason);
  if (!source || !readAll(*source, &bytes, &fault->reason)) return false;

  ReferenceTableBuilder builder(bytes.size());
  const QByteArrayView all(bytes);
  qint64 line = 0;
  for (qsizetype at = 0; at < all.size();) {
    ++line;
    const qsizetype end = textlines::lineEndFrom(all, at);
    const bool endsFile = end == all.size();
    tablerecord::Record record;
    const QString reason = tablerecord::parse(all.sliced(at, end - at), format, endsFile, &record);
    if (!reason.isEmpty()) {
      *fault = TableFault{path, line, reason};
      return false;
    }
    const auto code = builder.addText(record.code);
    const auto message = builder.addText(record.message);
    const auto note = builder.addText(record.note);
    builder.addRow(code, message, note, line);
    at = endsFile ? end : textlines::nextLineStart(all, end);
  }
  *table = builder.build();
  return true;
}

bool loadTables(FileSystem& files, const QString& folder, Tables* tables, TableFault* fault) {
  const QDir dir(folder);
  Tables loaded;
  loaded.tagsPath = dir.absoluteFilePath(QStringLiteral("tags.txt"));
  loaded.paramsPath = dir.absoluteFilePath(QStringLiteral("param.txt"));
  if (!loadTable(files, loaded.tagsPath, tablerecord::Format::Tags, &loaded.tags, fault) ||
      !loadTable(files, loaded.paramsPath, tablerecord::Format::Params, &loaded.params, fault)) {
    return false;
  }
  *tables = std::move(loaded);
  return true;
}
