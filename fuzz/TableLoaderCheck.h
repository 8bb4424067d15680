#pragma once

#include <QByteArrayView>
#include <QString>

#include "FakePlatform.h"
#include "LineEndSource.h"
#include "TableLoader.h"

// The table loader: the input is tags.txt, a NUL byte, then param.txt (a NUL
// inside a table is refused anyway, so no table is lost to the split). Out
// must come tables or a fault that names the file, a line of it and the
// reason; loaded rows must stand one a line, and the code index must find
// each code's first row. Returns what is wrong, or the empty text.
namespace fuzzcheck {

// The lines as the loader reads them: a table whose first line ends in LF
// alone ends every line at a lone LF too.
inline qint64 lineCount(const QByteArray& given) {
  const QByteArray file = lineends::asRead(given, textlines::LineEnds::Auto);
  return file.count('\r') + (file.endsWith('\r') || file.endsWith("\r\n") ? 0 : 1);
}

inline QString tableProblem(const ReferenceTable& table, const QByteArray& file) {
  const auto rows = table.rows();
  for (qsizetype i = 0; i < table.size(); ++i) {
    const TableRow& row = rows[std::size_t(i)];
    const QString code = row.code.toString();
    if (row.line != i + 1) return QStringLiteral("row %1 is on line %2").arg(i).arg(row.line);
    if (row.line > lineCount(file)) return QStringLiteral("a row past the last line: ") + code;
    qsizetype first = i;
    for (qsizetype j = 0; j < i; ++j) {
      if (rows[std::size_t(j)].code == row.code) {
        first = j;
        break;
      }
    }
    const qsizetype found = table.find(row.code);
    if (row.code.size() == 4 ? found != first : found != -1)
      return QStringLiteral("the index finds row %1 for '%2' of row %3")
          .arg(found)
          .arg(code)
          .arg(i);
  }
  return {};
}

inline QString tableLoaderProblem(QByteArrayView input) {
  const qsizetype split = input.indexOf('\0');
  const QByteArray tags = (split < 0 ? input : input.first(split)).toByteArray();
  const QByteArray params = split < 0 ? QByteArray() : input.sliced(split + 1).toByteArray();
  const QString tagsPath = QStringLiteral("/t/tags.txt");
  const QString paramsPath = QStringLiteral("/t/param.txt");
  FakeFileSystem files;
  files.add(tagsPath, tags);
  files.add(paramsPath, params);
  // Small reads make the loader keep a line across reads.
  files.setReadSize(1 + input.size() % 61);
  Tables tables;
  TableFault fault;
  if (loadTables(files, QStringLiteral("/t"), &tables, &fault)) {
    if (QString problem = tableProblem(tables.tags, tags); !problem.isEmpty())
      return QStringLiteral("tags: ") + problem;
    if (QString problem = tableProblem(tables.params, params); !problem.isEmpty())
      return QStringLiteral("params: ") + problem;
    return {};
  }
  const bool inTags = fault.path == tagsPath;
  if (!inTags && fault.path != paramsPath) return QStringLiteral("fault path: ") + fault.path;
  if (fault.reason.isEmpty()) return QStringLiteral("a fault without a reason: ") + fault.message();
  if (fault.line < 1 || fault.line > lineCount(inTags ? tags : params))
    return QStringLiteral("a fault without a line of the file: ") + fault.message();
  return {};
}

}  // namespace fuzzcheck
