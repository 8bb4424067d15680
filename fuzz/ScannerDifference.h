#pragma once

#include <QByteArrayView>
#include <QString>

#include "FakePlatform.h"
#include "FuzzTables.h"
#include "LineBlockReader.h"
#include "ReferenceScan.h"
#include "ScriptScanner.h"

// The scanner against the plain reference search of tests/ReferenceScan.h.
// The first four bytes of the input choose how the script is read, so that
// small inputs are read in stretches on two threads and as a stream; the
// rest is the script. Returns the first difference, or the empty text.
namespace fuzzcheck {

struct Reading {
  bool stream = false;
  qint64 splitFrom = 0;
  qint64 stretchBytes = 1;
  qint64 readSize = 1;
  qsizetype longLine = LineBlockReader::kLongLine;  // a file's lines from this length in pieces
};

inline ScanResult scanAs(const QByteArray& script, const Reading& how, QList<SeenAlert>* alerts) {
  static HelperThread helper;
  const QString path = QStringLiteral("/fuzz.csm");
  FakeFileSystem files;
  files.add(path, script);
  files.setStreams(how.stream);
  files.setReadSize(how.readSize);
  ScriptScanner scanner(fuzzTables());
  scanner.setStretches(how.splitFrom, how.stretchBytes);
  scanner.setLongLine(how.longLine);
  CollectingSink sink(fuzzTables());
  QString error;
  const auto source = files.open(path, &error);
  const ScanResult result = scanner.scan(*source, sink, &helper);
  *alerts = sink.alerts;
  return result;
}

inline QString differenceAs(const QByteArray& script, const Reading& how) {
  ReferenceScan reference(fuzzTables());
  const QList<SeenAlert> expected = reference.run(script);
  QList<SeenAlert> got;
  const ScanResult result = scanAs(script, how, &got);
  if (result.ok() && result.lines == reference.lines() && got == expected) return {};
  QString difference =
      QStringLiteral(
          "%1, split from %2, stretches of %3, reads of %4, long lines from %8: lines %5, "
          "expected %6; error '%7'")
          .arg(how.stream ? "stream" : "sized")
          .arg(how.splitFrom)
          .arg(how.stretchBytes)
          .arg(how.readSize)
          .arg(result.lines)
          .arg(reference.lines())
          .arg(result.error)
          .arg(how.longLine);
  for (qsizetype i = 0; i < qMax(got.size(), expected.size()); ++i) {
    const QString a = i < got.size() ? describe(got[i]) : QStringLiteral("-");
    const QString b = i < expected.size() ? describe(expected[i]) : QStringLiteral("-");
    if (a != b)
      return difference + QStringLiteral("; alert %1: got %2, expected %3").arg(i).arg(a, b);
  }
  return difference;
}

inline QString scannerDifference(QByteArrayView input) {
  if (input.size() < 4) return {};
  const auto control = [&](int i) { return static_cast<unsigned char>(input[i]); };
  QByteArray script = input.sliced(4).toByteArray();
  // Byte 3: spaces or tabs to widen the first quoted text with, so that
  // lines outgrow the kernels' blocks.
  const int widen = control(3) & 0x7f;
  const qsizetype quote = script.indexOf('"');
  if (widen > 0 && quote >= 0)
    script.insert(quote + 1, QByteArray(widen * 67, control(3) & 0x80 ? '\t' : ' '));
  Reading how;
  // Byte 0: where stretches begin, as a share of the script; 255 keeps the
  // scanner's own size, which reads small scripts in one piece.
  how.splitFrom = control(0) == 255 ? ScriptScanner::kSplitFrom : script.size() * control(0) / 256;
  // Byte 1: the stretch size, from 1 byte to 16 KB, but no more than about
  // 64 stretches a script, each of which is handed to the helper thread.
  how.stretchBytes = qMax<qint64>(1 + control(1) * control(1) / 4, script.size() / 64);
  // Byte 2: bytes per read.
  how.readSize = 1 + control(2) * 16;
  QString difference = differenceAs(script, how);
  if (!difference.isEmpty()) return difference;
  // Again with lines of any length read in pieces, and again whole only
  // where they may matter.
  how.longLine = 1 + (control(1) ^ control(2)) % 200;
  difference = differenceAs(script, how);
  if (!difference.isEmpty()) return difference;
  how.stream = true;
  return differenceAs(script, how);
}

}  // namespace fuzzcheck
