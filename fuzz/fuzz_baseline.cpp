// The baseline file parser: bytes in, a baseline or an error that names the
// file out. A baseline read is written, read back and written again: the
// two writings must be the same bytes and hold the same number of alerts.

#include <cstdio>
#include <cstdlib>

#include <QFile>
#include <QTemporaryDir>

#include "Baseline.h"

namespace {

[[noreturn]] void fail(const char* what, const QString& detail) {
  std::fprintf(stderr, "%s: %s\n", what, qPrintable(detail));
  std::abort();
}

QByteArray contents(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) fail("cannot read back", path);
  return file.readAll();
}

void write(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
    fail("cannot write", path);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static QTemporaryDir dir;
  const QString input = dir.filePath(QStringLiteral("input.json"));
  write(input, QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)));
  Baseline baseline;
  QString error;
  if (!baseline.read(input, &error)) {
    if (!error.startsWith(input + QStringLiteral(": ")) || error.size() <= input.size() + 2)
      fail("an error that does not name the file and what is wrong", error);
    return 0;
  }
  const QString first = dir.filePath(QStringLiteral("first.json"));
  const QString second = dir.filePath(QStringLiteral("second.json"));
  if (!baseline.write(first, &error)) fail("cannot write the baseline", error);
  Baseline again;
  if (!again.read(first, &error)) fail("a written baseline does not read back", error);
  if (!again.write(second, &error)) fail("cannot write the baseline again", error);
  if (contents(first) != contents(second)) fail("a baseline changes when read back", first);
  if (again.alerts() != baseline.alerts()) fail("alerts lost when read back", first);
  return 0;
}
