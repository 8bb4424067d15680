// The table loader: the input is tags.txt, a NUL byte, then param.txt (a NUL
// inside a table is refused anyway, so no table is lost to the split). Out
// come tables or a fault that names the file, the line and the reason;
// anything else aborts, as do loaded tables whose rows skip a line or whose
// code index does not find a code's first row.

#include <cstdio>
#include <cstdlib>

#include "FakePlatform.h"
#include "TableLoader.h"

namespace {

[[noreturn]] void fail(const char* what, const QString& detail) {
  std::fprintf(stderr, "%s: %s\n", what, qPrintable(detail));
  std::abort();
}

qint64 lineCount(const QByteArray& file) {
  return file.count('\r') + (file.endsWith('\r') || file.endsWith("\r\n") ? 0 : 1);
}

void checkTable(const ReferenceTable& table, const QByteArray& file) {
  const auto rows = table.rows();
  for (qsizetype i = 0; i < table.size(); ++i) {
    const TableRow& row = rows[std::size_t(i)];
    if (row.line != i + 1) fail("a row is not on the line after the last", row.code.toString());
    if (row.line > lineCount(file)) fail("a row past the file's last line", row.code.toString());
    qsizetype first = i;
    for (qsizetype j = 0; j < i; ++j) {
      if (rows[std::size_t(j)].code == row.code) {
        first = j;
        break;
      }
    }
    const qsizetype found = table.find(row.code);
    if (row.code.size() == 4 ? found != first : found != -1)
      fail("the index does not find a code's first row", row.code.toString());
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const QByteArray input(reinterpret_cast<const char*>(data), qsizetype(size));
  const qsizetype split = input.indexOf('\0');
  const QByteArray tags = split < 0 ? input : input.first(split);
  const QByteArray params = split < 0 ? QByteArray() : input.sliced(split + 1);
  FakeFileSystem files;
  files.add(QStringLiteral("/t/tags.txt"), tags);
  files.add(QStringLiteral("/t/param.txt"), params);
  // Small reads make the loader keep a line across reads.
  files.setReadSize(1 + (size % 61));
  Tables tables;
  TableFault fault;
  if (loadTables(files, QStringLiteral("/t"), &tables, &fault)) {
    checkTable(tables.tags, tags);
    checkTable(tables.params, params);
    return 0;
  }
  const bool tagsFault = fault.path == QStringLiteral("/t/tags.txt");
  if (!tagsFault && fault.path != QStringLiteral("/t/param.txt")) fail("fault path", fault.path);
  if (fault.reason.isEmpty()) fail("a fault without a reason", fault.message());
  if (fault.line < 1 || fault.line > lineCount(tagsFault ? tags : params))
    fail("a fault without a line of the file", fault.message());
  return 0;
}
