// The file channel: the line rule on bytes, counting, fields and failures.

#include <QRandomGenerator>
#include <QTest>

#include "FakePlatform.h"
#include "InputFile.h"

namespace {

const QString kPath = QStringLiteral("/scripts/a.csm");

QStringList readAllLines(InputFile& file) {
  QStringList lines;
  QString line;
  while (file.readLine(&line)) lines.append(line);
  return lines;
}

// The count as the plain loop of "not at end: read a line" gives it.
qint64 countByReading(InputFile& file) {
  qint64 count = 0;
  QString line;
  while (!file.atEnd()) {
    if (!file.readLine(&line)) return -1;
    ++count;
  }
  return count;
}

QString describeField(const InputFile::Field& f) {
  static const char* const kEnds[] = {"comma", "line", "eof"};
  QString d = f.text + QLatin1Char('|') + QLatin1String(kEnds[int(f.end)]);
  if (f.closingQuoteMissing) d += QStringLiteral("|unclosed");
  if (f.textAfterQuote) d += QStringLiteral("|junk");
  return d;
}

}  // namespace

class InputFileTest : public QObject {
  Q_OBJECT

 private slots:
  void lineRule_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("lines");
    QTest::newRow("empty file") << QByteArray() << QStringList{};
    QTest::newRow("no line end") << QByteArray("a") << QStringList{"a"};
    QTest::newRow("CR") << QByteArray("a\r") << QStringList{"a"};
    QTest::newRow("CR LF") << QByteArray("a\r\n") << QStringList{"a"};
    QTest::newRow("two CRs give an empty line") << QByteArray("a\r\r") << QStringList{"a", ""};
    QTest::newRow("lone LF stays") << QByteArray("a\nb\n") << QStringList{"a\nb\n"};
    QTest::newRow("only LF") << QByteArray("\n") << QStringList{"\n"};
    QTest::newRow("LF before CR") << QByteArray("a\n\rb") << QStringList{"a\n", "b"};
    QTest::newRow("one LF per CR") << QByteArray("a\r\n\nb") << QStringList{"a", "\nb"};
    QTest::newRow("blank lines") << QByteArray("\r\n\r\n") << QStringList{"", ""};
    QTest::newRow("mixed ends") << QByteArray("a\rb\r\nc") << QStringList{"a", "b", "c"};
    QTest::newRow("UTF-8 decoded") << QByteArray("caf\xc3\xa9\r") << QStringList{u"caf\u00e9"_qs};
    QTest::newRow("invalid byte kept as U+FFFD")
        << QByteArray("a\xff\"b\r\xc3\r") << QStringList{u"a\ufffd\"b"_qs, u"\ufffd"_qs};
  }

  void lineRule() {
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, lines);
    for (const qint64 readSize : {1, 2, 3, 1 << 20}) {
      FakeFileSystem fs;
      fs.add(kPath, bytes);
      fs.setReadSize(readSize);
      InputFile file(fs);
      QVERIFY(file.open(kPath));
      QCOMPARE(readAllLines(file), lines);
      QVERIFY(file.atEnd());
      QVERIFY(!file.failed());

      QVERIFY(file.open(kPath));
      QCOMPARE(file.countRemainingLines(), lines.size());
      QVERIFY(file.atEnd());
    }
  }

  // The fast count must agree with reading line by line on any bytes, at any
  // buffer boundary, including after part of the file has been read.
  void countMatchesReadingOnRandomFiles() {
    QRandomGenerator random(7);
    const char alphabet[] = {'a', '\r', '\n', ' ', '\r', '\xc3'};
    for (int round = 0; round < 2000; ++round) {
      QByteArray bytes;
      const int size = random.bounded(40);
      for (int i = 0; i < size; ++i) bytes.append(alphabet[random.bounded(6)]);
      FakeFileSystem fs;
      fs.add(kPath, bytes);
      fs.setReadSize(1 + random.bounded(5));
      InputFile file(fs);
      const int skip = random.bounded(3);
      QVERIFY(file.open(kPath));
      QString ignored;
      for (int i = 0; i < skip; ++i) file.readLine(&ignored);
      const qint64 byReading = countByReading(file);
      QVERIFY(file.open(kPath));
      for (int i = 0; i < skip; ++i) file.readLine(&ignored);
      QCOMPARE(file.countRemainingLines(), byReading);
    }
  }

  // A second channel that starts at the line after any byte, and a first
  // that stops there, read every line once between them.
  // A script read in stretches: each stretch after the first starts at the
  // line start that lineStartAfter() finds, and the stretches together give
  // exactly the lines of the whole.
  void stretchesMeetAtLineStarts() {
    QRandomGenerator random(8);
    const char alphabet[] = {'a', '\r', '\n', ' ', '\r', '\xc3'};
    for (int round = 0; round < 3000; ++round) {
      QByteArray bytes;
      // Some files run past the probe's 4 KiB reads, with few line ends.
      const bool large = round % 10 == 0;
      const int size = large ? 4000 + random.bounded(5000) : 1 + random.bounded(40);
      for (int i = 0; i < size; ++i) {
        bytes.append(large && random.bounded(500) != 0 ? 'a' : alphabet[random.bounded(6)]);
      }
      FakeFileSystem fs;
      fs.add(kPath, bytes);
      fs.setReadSize(1 + random.bounded(large ? 5000 : 5));
      InputFile whole(fs);
      QVERIFY(whole.open(kPath));
      const QStringList lines = readAllLines(whole);

      InputFile probe(fs);
      QVERIFY(probe.open(kPath));
      QList<qint64> starts{0};
      for (int cut = random.bounded(1, 4); cut > 0; --cut) {
        const qint64 from = random.bounded(size);
        const qint64 at = probe.lineStartAfter(from);
        QVERIFY(!probe.failed());
        // The reference: past the first CR at `from` or later, and its LF.
        const qsizetype cr = bytes.indexOf('\r', from);
        const qint64 expected = cr < 0 ? -1 : cr + 1 + (bytes.mid(cr + 1, 1) == "\n" ? 1 : 0);
        QCOMPARE(at, expected);
        if (at > starts.last() && at < size) starts.append(at);
      }
      QStringList pieces;
      InputFile channel(fs);
      QVERIFY(channel.open(kPath));
      for (qsizetype k = 0; k < starts.size(); ++k) {
        channel.stopAt(k + 1 < starts.size() ? starts[k + 1] : -1);
        QVERIFY(channel.skipTo(starts[k]));
        pieces += readAllLines(channel);
      }
      QCOMPARE(pieces, lines);
    }
  }

  void lineLongerThanTheBuffer() {
    const QByteArray longLine(3 * 1024 * 1024, 'x');
    FakeFileSystem fs;
    fs.add(kPath, longLine + "\r\nend");
    InputFile file(fs);
    QVERIFY(file.open(kPath));
    QCOMPARE(readAllLines(file), (QStringList{QString::fromLatin1(longLine), "end"}));
  }

  void fields_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("fields");
    QTest::newRow("quoted with commas")
        << QByteArray("\"xq4t\",\"Tag, with comma\",none\r\n")
        << QStringList{"xq4t|comma", "Tag, with comma|comma", "none|line"};
    QTest::newRow("spaces around unquoted")
        << QByteArray("  a b  ,b\r\n") << QStringList{"a b|comma", "b|line"};
    QTest::newRow("end of file ends a field")
        << QByteArray("a,b") << QStringList{"a|comma", "b|eof"};
    QTest::newRow("spaces after closing quote")
        << QByteArray("\"a\"  ,b\r") << QStringList{"a|comma", "b|line"};
    QTest::newRow("text after closing quote")
        << QByteArray("\"a\"x,b") << QStringList{"a|comma|junk", "b|eof"};
    QTest::newRow("quote not closed on its line")
        << QByteArray("\"abc\r\nd") << QStringList{"abc|line|unclosed", "d|eof"};
    QTest::newRow("empty quoted, digits stay text")
        << QByteArray("012,\"\",x\r") << QStringList{"012|comma", "|comma", "x|line"};
    QTest::newRow("blank line is one empty field")
        << QByteArray("\r\na") << QStringList{"|line", "a|eof"};
    QTest::newRow("fields run on across lines")
        << QByteArray("a,b\r\nc") << QStringList{"a|comma", "b|line", "c|eof"};
    QTest::newRow("only spaces left") << QByteArray("a\r\n   ") << QStringList{"a|line"};
  }

  void fields() {
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, fields);
    for (const qint64 readSize : {1, 1 << 20}) {
      FakeFileSystem fs;
      fs.add(kPath, bytes);
      fs.setReadSize(readSize);
      InputFile file(fs);
      QVERIFY(file.open(kPath));
      QStringList got;
      InputFile::Field field;
      while (file.readField(&field)) got.append(describeField(field));
      QCOMPARE(got, fields);
      QVERIFY(!file.failed());
    }
  }

  void restOfLineIsRaw() {
    FakeFileSystem fs;
    fs.add(kPath, "\"pz7m\",\"Parameter, set\", range 0, \"1\" or 2\r\nnext");
    InputFile file(fs);
    QVERIFY(file.open(kPath));
    InputFile::Field field;
    QVERIFY(file.readField(&field));
    QVERIFY(file.readField(&field));
    QCOMPARE(field.text, QStringLiteral("Parameter, set"));
    QString note;
    QVERIFY(file.readRestOfLine(&note));
    QCOMPARE(note, QStringLiteral(" range 0, \"1\" or 2"));
    QVERIFY(file.readRestOfLine(&note));
    QCOMPARE(note, QStringLiteral("next"));
  }

  void failuresNameThePathAndReason() {
    FakeFileSystem fs;
    InputFile file(fs);
    QVERIFY(!file.open(kPath));
    QCOMPARE(file.errorString(), kPath + QStringLiteral(": No such file or directory"));

    fs.add(kPath, "line one\r\nline two\r\n");
    fs.failReads(kPath, 12);
    fs.setReadSize(4);
    QVERIFY(file.open(kPath));
    QString line;
    QVERIFY(file.readLine(&line));
    QVERIFY(!file.readLine(&line));
    QVERIFY(file.failed());
    QCOMPARE(file.errorString(), kPath + QStringLiteral(": Input/output error"));

    QVERIFY(file.open(kPath));
    QCOMPARE(file.countRemainingLines(), -1);
  }
};

QTEST_GUILESS_MAIN(InputFileTest)
#include "test_input_file.moc"
