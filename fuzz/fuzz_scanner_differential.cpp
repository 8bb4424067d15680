// The scanner against the plain reference search of tests/ReferenceScan.h:
// any difference in alerts or line count aborts. The first bytes of the
// input choose how the script is read, so that small inputs are read in
// stretches on two threads and as a stream; the rest is the script.

#include <cstdio>
#include <cstdlib>

#include "FakePlatform.h"
#include "FuzzTables.h"
#include "ReferenceScan.h"
#include "ScriptScanner.h"

namespace {

const QString kScript = QStringLiteral("/fuzz.csm");

struct Reading {
  bool stream = false;
  qint64 splitFrom = 0;
  qint64 stretchBytes = 1;
  qint64 readSize = 1;
};

ScanResult scan(const QByteArray& script, const Reading& how, QList<SeenAlert>* alerts) {
  static HelperThread helper;
  FakeFileSystem files;
  files.add(kScript, script);
  files.setStreams(how.stream);
  files.setReadSize(how.readSize);
  ScriptScanner scanner(fuzzTables());
  scanner.setStretches(how.splitFrom, how.stretchBytes);
  CollectingSink sink(fuzzTables());
  QString error;
  const auto source = files.open(kScript, &error);
  const ScanResult result = scanner.scan(*source, sink, &helper);
  *alerts = sink.alerts;
  return result;
}

void check(const QByteArray& script, const Reading& how) {
  ReferenceScan reference(fuzzTables());
  const QList<SeenAlert> expected = reference.run(script);
  QList<SeenAlert> got;
  const ScanResult result = scan(script, how, &got);
  if (result.ok() && result.lines == reference.lines() && got == expected) return;
  std::fprintf(stderr, "%s, split from %lld, stretches of %lld, reads of %lld\n",
               how.stream ? "stream" : "sized", how.splitFrom, how.stretchBytes, how.readSize);
  std::fprintf(stderr, "lines %lld, expected %lld; error '%s'\n", result.lines, reference.lines(),
               qPrintable(result.error));
  for (qsizetype i = 0; i < qMax(got.size(), expected.size()); ++i) {
    const QString a = i < got.size() ? describe(got[i]) : QStringLiteral("-");
    const QString b = i < expected.size() ? describe(expected[i]) : QStringLiteral("-");
    if (a != b) {
      std::fprintf(stderr, "alert %lld: got %s, expected %s\n", qint64(i), qPrintable(a),
                   qPrintable(b));
      break;
    }
  }
  std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 4) return 0;
  const auto* bytes = reinterpret_cast<const char*>(data);
  // Byte 0: where stretches begin, as a share of the script (255: the
  // scanner's own size, which reads small scripts in one piece); byte 1: the
  // stretch size, from 1 byte to 16 KB; byte 2: bytes per read; byte 3: spaces or tabs to widen
  // the first quoted text with, so that lines outgrow the kernels' blocks.
  QByteArray script(bytes + 4, qsizetype(size - 4));
  const int widen = data[3] & 0x7f;
  const qsizetype quote = script.indexOf('"');
  if (widen > 0 && quote >= 0)
    script.insert(quote + 1, QByteArray(widen * 67, data[3] & 0x80 ? '\t' : ' '));
  Reading how;
  how.splitFrom = data[0] == 255 ? ScriptScanner::kSplitFrom : script.size() * data[0] / 256;
  how.stretchBytes = 1 + data[1] * data[1] / 4;
  how.readSize = 1 + data[2] * 16;
  check(script, how);
  how.stream = true;
  check(script, how);
  return 0;
}
