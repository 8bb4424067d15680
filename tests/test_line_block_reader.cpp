// Reading a script in blocks of whole lines, whole or in stretches that
// share one open file, and as a stream.

#include <QRandomGenerator>
#include <QTest>

#include "FakePlatform.h"
#include "LineBlockReader.h"
#include "StretchPlan.h"

namespace {

const QString kPath = QStringLiteral("/scripts/a.csm");

// The lines of a block: each ends at a CR or a CR LF, the last one perhaps
// at the end of the block.
QByteArrayList linesOf(QByteArrayView block) {
  QByteArrayList lines;
  for (qsizetype at = 0; at < block.size();) {
    qsizetype cr = block.indexOf('\r', at);
    if (cr < 0) cr = block.size();
    lines.append(block.sliced(at, cr - at).toByteArray());
    at = cr + 1;
    if (at < block.size() && block[at] == '\n') ++at;
  }
  return lines;
}

// Every line the reader gives, or "<error: ...>" after them on a failure.
// A line too long to hold is put together from its pieces, and must be
// what reading it again whole gives.
QByteArrayList readLines(LineBlockReader& reader) {
  using Block = LineBlockReader::Block;
  QByteArrayList lines;
  QByteArrayView block;
  QByteArray pieces;
  while (reader.next(&block)) {
    if (reader.block() == Block::Lines) {
      if (!pieces.isEmpty()) lines.append("<pieces without their end>");
      if (block.isEmpty()) lines.append("<empty block>");
      lines += linesOf(block);
      continue;
    }
    if (reader.block() == Block::LongLineStart) pieces.clear();
    pieces += block;
    if (reader.block() != Block::LongLineEnd) continue;
    if (pieces.endsWith('\r')) pieces.chop(1);
    if (pieces.contains('\r')) lines.append("<a line end inside a long line>");
    QByteArray again;
    if (reader.readLongLine(&again) && again != pieces) lines.append("<read again differently>");
    lines.append(pieces);
    pieces.clear();
  }
  if (!reader.error().isEmpty()) lines.append("<error: " + reader.error().toUtf8() + ">");
  return lines;
}

QByteArray randomFile(QRandomGenerator& random) {
  static const char* const kPieces[] = {"a",      "bc",   "\r", "\n",          "\r\n",
                                        "\r\r\n", "\n\r", " ",  "\xEF\xBB\xBF"};
  QByteArray bytes;
  const int pieces = random.bounded(random.bounded(10) == 0 ? 3000 : 60);
  for (int i = 0; i < pieces; ++i) bytes += kPieces[random.bounded(int(std::size(kPieces)))];
  return bytes;
}

}  // namespace

class LineBlockReaderTest : public QObject {
  Q_OBJECT

 private slots:
  void lineRule_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QByteArrayList>("lines");
    QTest::newRow("empty file") << QByteArray() << QByteArrayList{};
    QTest::newRow("no line end") << QByteArray("a") << QByteArrayList{"a"};
    QTest::newRow("CR") << QByteArray("a\r") << QByteArrayList{"a"};
    QTest::newRow("CR LF") << QByteArray("a\r\n") << QByteArrayList{"a"};
    QTest::newRow("two CRs give an empty line") << QByteArray("a\r\r") << QByteArrayList{"a", ""};
    QTest::newRow("lone LF stays") << QByteArray("a\nb\n") << QByteArrayList{"a\nb\n"};
    QTest::newRow("only LF") << QByteArray("\n") << QByteArrayList{"\n"};
    QTest::newRow("LF before CR") << QByteArray("a\n\rb") << QByteArrayList{"a\n", "b"};
    QTest::newRow("one LF per CR") << QByteArray("a\r\n\nb") << QByteArrayList{"a", "\nb"};
    QTest::newRow("blank lines") << QByteArray("\r\n\r\n") << QByteArrayList{"", ""};
    QTest::newRow("mixed ends") << QByteArray("a\rb\r\nc") << QByteArrayList{"a", "b", "c"};
    // A byte-order mark marks the encoding at the start of a file only.
    QTest::newRow("byte-order mark") << QByteArray("\xEF\xBB\xBF\xEF\xBB\xBF\r\xEF\xBB\xBF")
                                     << QByteArrayList{"\xEF\xBB\xBF", "\xEF\xBB\xBF"};
    QTest::newRow("only a byte-order mark") << QByteArray("\xEF\xBB\xBF") << QByteArrayList{};
    QTest::newRow("a mark cut short") << QByteArray("\xEF\xBB") << QByteArrayList{"\xEF\xBB"};
    QTest::newRow("a mark's first byte, then a line end")
        << QByteArray("\xEF\r") << QByteArrayList{"\xEF"};
  }

  void lineRule() {
    QFETCH(QByteArray, bytes);
    QFETCH(QByteArrayList, lines);
    for (const bool stream : {false, true}) {
      for (const qint64 readSize : {1, 2, 3, 1 << 20}) {
        // A file's lines may come in pieces from any length on.
        for (const qsizetype longLine : {qsizetype(1), qsizetype(2), LineBlockReader::kLongLine}) {
          FakeFileSystem fs;
          fs.add(kPath, bytes);
          fs.setReadSize(readSize);
          fs.setStreams(stream);
          QString error;
          const auto source = fs.open(kPath, &error);
          QByteArray buffer;
          LineBlockReader reader(*source, buffer);
          reader.setLongLine(longLine);
          QCOMPARE(readLines(reader), lines);
        }
      }
    }
  }

  // Stretches start at line starts and together hold exactly the lines of
  // the whole file, whatever their size and wherever a CR LF falls.
  void stretchesMeetAtLineStarts() {
    QRandomGenerator random(3);
    for (int round = 0; round < 3000; ++round) {
      const QByteArray bytes = randomFile(random);
      FakeFileSystem fs;
      fs.add(kPath, bytes);
      fs.setReadSize(1 + random.bounded(300));
      QString error;
      const auto source = fs.open(kPath, &error);
      QByteArray buffer;  // one buffer for every reader, as a thread keeps one
      LineBlockReader whole(*source, buffer);
      const QByteArrayList expected = readLines(whole);

      std::vector<qint64> starts;
      const qint64 stretch = 1 + random.bounded(qMax<qsizetype>(bytes.size(), 1));
      QVERIFY(planStretches(*source, bytes.size(), stretch, &starts, &error));
      QByteArrayList got;
      for (std::size_t k = 0; k < starts.size(); ++k) {
        const qint64 begin = starts[k];
        // Just past a CR, or past the LF of a CR LF, never between the two.
        QVERIFY(begin == 0 || bytes[begin - 1] == '\r' ||
                (bytes[begin - 1] == '\n' && bytes[begin - 2] == '\r'));
        QVERIFY(begin == 0 || bytes[begin - 1] != '\r' || bytes[begin] != '\n');
        const qint64 end = k + 1 < starts.size() ? starts[k + 1] : bytes.size();
        QVERIFY(begin < end || bytes.isEmpty());
        LineBlockReader part(*source, begin, end, buffer);
        if (round % 2) part.setLongLine(1 + random.bounded(20));
        got += readLines(part);
      }
      QCOMPARE(got, expected);
    }
  }

  void aFailedReadStopsWithTheReason() {
    FakeFileSystem fs;
    fs.add(kPath, "ab\r\ncd\r\nef\r\n");
    fs.failReadsAt(kPath, 5);
    fs.setReadSize(2);
    QString error;
    const auto source = fs.open(kPath, &error);
    QByteArray buffer;
    LineBlockReader reader(*source, buffer);
    QCOMPARE(readLines(reader), (QByteArrayList{"ab", "<error: Input/output error>"}));
  }
};

QTEST_GUILESS_MAIN(LineBlockReaderTest)
#include "test_line_block_reader.moc"
