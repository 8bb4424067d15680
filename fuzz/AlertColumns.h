#pragma once

#include <QByteArrayView>
#include <QString>

#include "FakePlatform.h"
#include "FuzzTables.h"
#include "ReferenceScan.h"
#include "ScriptScanner.h"
#include "SystemText.h"

// The normaliser and the column mapping: for every alert, the raw line as
// it decodes must hold the code's opening quotation mark at `column` and
// its closing one just before `endColumn`, counted in code points, with the
// code between them once tabs, line feeds, form feeds and dropped spaces are
// taken out; and the statement must be the line normalised. Worked out from
// the raw bytes alone, without the scanner's or the reference's code.
// Returns what is wrong, or the empty text.
namespace fuzzcheck {

// The raw lines: a line ends at CR or CR LF; a byte-order mark at the start
// is no text.
inline QList<QByteArray> rawLines(const QByteArray& script) {
  QList<QByteArray> lines;
  qsizetype at = script.startsWith("\xEF\xBB\xBF") ? 3 : 0;
  while (at < script.size()) {
    qsizetype end = script.indexOf('\r', at);
    if (end < 0) end = script.size();
    lines.append(script.mid(at, end - at));
    at = end + 1;
    if (at < script.size() && script[at] == '\n') ++at;
  }
  return lines;
}

inline bool isAsciiLetterOrDigit(uint c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

// Drops what a statement drops from code points [from, to) of `line`: tabs,
// line feeds, form feeds, and spaces not between two ASCII letters or
// digits; stops at a comment. `kept` is the last character kept before.
inline QList<uint> normalise(const QList<uint>& line, qsizetype from, qsizetype to, uint kept) {
  QList<uint> out;
  for (qsizetype i = from; i < to; ++i) {
    const uint c = line[i];
    if (c == '#') break;
    if (c == '\t' || c == '\n' || c == '\f') continue;
    if (c == ' ' &&
        !(isAsciiLetterOrDigit(kept) && i + 1 < line.size() && isAsciiLetterOrDigit(line[i + 1])))
      continue;
    out.append(c);
    kept = c;
  }
  return out;
}

inline QString columnProblem(const SeenAlert& alert, const QList<QByteArray>& lines) {
  if (alert.line < 1 || alert.line > lines.size()) return QStringLiteral("no such line");
  const QList<uint> line = decodeSystemText(lines[alert.line - 1]).toUcs4();
  if (normalise(line, 0, line.size(), 0) != alert.statement.toUcs4())
    return QStringLiteral("the statement is not the line normalised");
  const qsizetype open = alert.column - 1;
  const qsizetype close = alert.endColumn - 2;
  if (open < 0 || close <= open || close >= line.size())
    return QStringLiteral("columns out of the line");
  if (line[open] != '"') return QStringLiteral("column is not at a quotation mark");
  if (line[close] != '"') return QStringLiteral("end column is not just past a quotation mark");
  const TableRow& row = fuzzTables()[alert.table].row(alert.row);
  if (normalise(line, open + 1, close, '"') != row.code.toUcs4())
    return QStringLiteral("the columns do not enclose the code");
  return {};
}

inline QString alertColumnsProblem(QByteArrayView input) {
  const QByteArray script = input.toByteArray();
  const QString path = QStringLiteral("/fuzz.csm");
  FakeFileSystem files;
  files.add(path, script);
  QString error;
  const auto source = files.open(path, &error);
  const ScriptScanner scanner(fuzzTables());
  CollectingSink sink(fuzzTables());
  const ScanResult result = scanner.scan(*source, sink);
  const QList<QByteArray> lines = rawLines(script);
  if (!result.ok() || result.lines != lines.size())
    return QStringLiteral("lines %1, expected %2; error '%3'")
        .arg(result.lines)
        .arg(lines.size())
        .arg(result.error);
  for (const SeenAlert& alert : sink.alerts) {
    if (const QString problem = columnProblem(alert, lines); !problem.isEmpty())
      return describe(alert) + QStringLiteral(": ") + problem;
  }
  return {};
}

}  // namespace fuzzcheck
