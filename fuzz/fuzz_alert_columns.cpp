// The normaliser and the column mapping: for every alert, the raw line as
// it decodes must hold the code's opening quotation mark at `column` and
// its closing one just before `endColumn`, counted in code points, with the
// code between them once tabs, line feeds, form feeds and dropped spaces are
// taken out; and the statement must be the line normalised. Worked out here
// from the raw bytes alone, without the scanner's or the reference's code.

#include <cstdio>
#include <cstdlib>

#include "FakePlatform.h"
#include "FuzzTables.h"
#include "ReferenceScan.h"
#include "ScriptScanner.h"
#include "SystemText.h"

namespace {

[[noreturn]] void fail(const SeenAlert& alert, const char* what) {
  std::fprintf(stderr, "alert %s: %s\n", qPrintable(describe(alert)), what);
  std::abort();
}

// The raw lines: a line ends at CR or CR LF; a byte-order mark at the start
// is no text.
QList<QByteArray> rawLines(const QByteArray& script) {
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

bool isAsciiLetterOrDigit(uint c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

// Drops what a statement drops from code points [from, to) of `line`: tabs,
// line feeds, form feeds, and spaces not between two ASCII letters or
// digits; stops at a comment. `kept` is the last character kept before.
QList<uint> normalise(const QList<uint>& line, qsizetype from, qsizetype to, uint kept) {
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

QList<uint> codePoints(QStringView text) {
  return text.toUcs4();
}

void checkAlert(const SeenAlert& alert, const QList<QByteArray>& lines) {
  if (alert.line < 1 || alert.line > lines.size()) fail(alert, "no such line");
  const QList<uint> line = codePoints(decodeSystemText(lines[alert.line - 1]));
  if (normalise(line, 0, line.size(), 0) != codePoints(alert.statement))
    fail(alert, "the statement is not the line normalised");
  const qsizetype open = alert.column - 1;
  const qsizetype close = alert.endColumn - 2;
  if (open < 0 || close <= open || close >= line.size()) fail(alert, "columns out of the line");
  if (line[open] != '"') fail(alert, "column is not at a quotation mark");
  if (line[close] != '"') fail(alert, "end column is not just past a quotation mark");
  const TableRow& row = fuzzTables()[alert.table].row(alert.row);
  if (normalise(line, open + 1, close, '"') != codePoints(row.code))
    fail(alert, "the columns do not enclose the code");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const QByteArray script(reinterpret_cast<const char*>(data), qsizetype(size));
  FakeFileSystem files;
  files.add(QStringLiteral("/fuzz.csm"), script);
  QString error;
  const auto source = files.open(QStringLiteral("/fuzz.csm"), &error);
  const ScriptScanner scanner(fuzzTables());
  CollectingSink sink(fuzzTables());
  const ScanResult result = scanner.scan(*source, sink);
  const QList<QByteArray> lines = rawLines(script);
  if (!result.ok() || result.lines != lines.size()) {
    std::fprintf(stderr, "lines %lld, expected %lld; error '%s'\n", result.lines,
                 qint64(lines.size()), qPrintable(result.error));
    std::abort();
  }
  for (const SeenAlert& alert : sink.alerts) checkAlert(alert, lines);
  return 0;
}
