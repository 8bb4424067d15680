// The scanner: tables and one script in, alerts out. Its answers are
// compared with the plain procedures of ReferenceScan on every kind of
// script, read in one piece, in stretches on two threads, and as a stream.

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <atomic>
#include <chrono>
#include <thread>

#include "DiskFileSystem.h"
#include "FakePlatform.h"
#include "ReferenceScan.h"
#include "ScriptMasks.h"
#include "ScriptScanner.h"
#include "TestTables.h"

namespace {

const QString kScript = QStringLiteral("/home/ann/night.csm");

// How a test reads a script.
struct Reading {
  qint64 splitFrom = ScriptScanner::kSplitFrom;  // stretches from this size on
  qint64 stretchBytes = ScriptScanner::kStretchBytes;
  qint64 readSize = 1 << 20;                        // bytes per read at most
  bool stream = false;                              // a pipe: no size, read in order
  qint64 failAt = -1;                               // a read reaching this byte fails
  qsizetype longLine = LineBlockReader::kLongLine;  // lines from this length come in pieces
};

struct Scanned {
  ScanResult result;
  QList<SeenAlert> alerts;
  int opens = 0;
};

HelperThread& helper() {
  static HelperThread thread;
  return thread;
}

Scanned scan(const Tables& tables, const QByteArray& script, const Reading& how = {}) {
  FakeFileSystem fs;
  fs.add(kScript, script);
  fs.setReadSize(how.readSize);
  fs.setStreams(how.stream);
  if (how.failAt >= 0) fs.failReadsAt(kScript, how.failAt);
  ScriptScanner scanner(tables);
  scanner.setStretches(how.splitFrom, how.stretchBytes);
  scanner.setLongLine(how.longLine);
  CollectingSink sink(tables);
  Scanned out;
  QString error;
  const auto source = fs.open(kScript, &error);
  out.result = scanner.scan(*source, sink, &helper());
  out.alerts = sink.alerts;
  out.opens = fs.opens(kScript);
  return out;
}

struct Expected {
  QList<SeenAlert> alerts;
  qint64 lines;
};

Expected referenceOf(const Tables& tables, const QByteArray& script) {
  ReferenceScan reference(tables);
  const QList<SeenAlert> alerts = reference.run(script);
  return {alerts, reference.lines()};
}

// Compares a scan with what the reference found; false after naming the
// first difference.
bool sameAs(const Expected& expectedScan, const Tables& tables, const QByteArray& script,
            const Reading& how = {}) {
  const QList<SeenAlert>& expected = expectedScan.alerts;
  const Scanned got = scan(tables, script, how);
  if (got.result.ok() && got.result.lines == expectedScan.lines && got.alerts == expected)
    return true;
  qWarning("lines %lld, expected %lld; error '%s'", got.result.lines, expectedScan.lines,
           qPrintable(got.result.error));
  for (qsizetype i = 0; i < qMax(got.alerts.size(), expected.size()); ++i) {
    const QString a = i < got.alerts.size() ? describe(got.alerts[i]) : QStringLiteral("-");
    const QString b = i < expected.size() ? describe(expected[i]) : QStringLiteral("-");
    if (a != b) {
      qWarning("alert %lld: got %s, expected %s", qint64(i), qPrintable(a), qPrintable(b));
      break;
    }
  }
  if (script.size() < 2000) qWarning("script: %s", script.toPercentEncoding().constData());
  return false;
}

bool sameAsReference(const Tables& tables, const QByteArray& script, const Reading& how = {}) {
  return sameAs(referenceOf(tables, script), tables, script, how);
}

const char* const kPieces[] = {"\"z\"od\"",
                               "\"\"\"\"\"\"",
                               "\"ab c\"",
                               "\"ex\"o\"",
                               "\"\"",
                               "\"ab  c\"",
                               "\"isoa\"\t",
                               "=\"zmod \"",
                               "GetCameraState(",
                               "GetFileTag(",
                               "SetUserFileTag(",
                               "RestoreParameterDefault(",
                               "x",
                               " = ",
                               "\"zmod\"",
                               "\"ownr\"",
                               "\"expo\"",
                               "\"isoa\"",
                               "\"",
                               "  ",
                               "\t",
                               "#",
                               ",",
                               ")",
                               "\xc3\xa9",
                               "\xf0\x9f\x93\xb7",
                               "\xff",
                               "\n",
                               "\f",
                               "1",
                               "getfiletag(",
                               "ab cd",
                               "\v",
                               "\"\vxmo\"",
                               "\"\xc3\xa9xmo\"",
                               "\xEF\xBB\xBF"};

QByteArray randomScript(QRandomGenerator& random, int maxLines = 30) {
  QByteArray script;
  const int lines = random.bounded(maxLines);
  for (int l = 0; l < lines; ++l) {
    const int parts = random.bounded(8);
    for (int p = 0; p < parts; ++p) script += kPieces[random.bounded(int(std::size(kPieces)))];
    script += random.bounded(3) == 0 ? "\r" : "\r\n";
  }
  if (random.bounded(2)) script += "SetCameraState(\"zmod\")";  // a last line without line end
  return script;
}

const Tables& plainTables() {
  static const Tables tables = makeTables({"zmod", "isoa"}, {"ownr", "expo"});
  return tables;
}

// Codes with quotation marks, spaces, a VT or characters outside ASCII in
// them, some never matching at three or five characters.
const Tables& oddTables() {
  static const Tables tables =
      makeTables({"z\"od", "zmod", "\"\"\"\"", u"\u00e9xmo"_qs, "abc", "abcde"},
                 {"ab c", "ex\"o", "\vxmo", "zmod"});
  return tables;
}

// `count` distinct random ASCII codes, spread over many first characters.
QStringList randomCodes(QRandomGenerator& random, int count) {
  QSet<QString> seen;
  QStringList codes;
  while (codes.size() < count) {
    QString code;
    for (int c = 0; c < 4; ++c) code += QChar(char16_t(u'!' + random.bounded(94)));
    if (code.contains(u'"') || code.contains(u'#') || seen.contains(code)) continue;
    seen.insert(code);
    codes.append(code);
  }
  return codes;
}

}  // namespace

class ScriptScannerTest : public QObject {
  Q_OBJECT

 private slots:
  // One line at a time: which table a statement is searched in, and where
  // the alert's columns stand in the raw line.
  void oneLine_data() {
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<QStringList>("alerts");  // "<P|T><row from 1>@<column>-<end column>"
    auto row = [](const char* tag, const QByteArray& line, const QStringList& alerts) {
      QTest::newRow(tag) << line << alerts;
    };
    row("GetCameraState", "GetCameraState(\"zmod\")", {"P1@16-22"});
    row("GetParameterState", "GetParameterState(\"isoa\")", {"P2@19-25"});
    row("SetCameraState", "SetCameraState(\"zmod\",1)", {"P1@16-22"});
    row("SetParameterState", "SetParameterState(\"isoa\")", {"P2@19-25"});
    row("GetFileTag", "GetFileTag(\"ownr\")", {"T1@12-18"});
    row("RestoreCameraDefault", "RestoreCameraDefault(\"isoa\")", {"P2@22-28"});
    row("SetUserFileTag", "SetUserFileTag(\"expo\",\"x\")", {"T2@16-22"});
    row("RestoreParameterDefault", "RestoreParameterDefault(\"zmod\")", {"P1@25-31"});
    row("tag code in a parameter call", "GetCameraState(\"ownr\")=1", {});
    row("parameter code in a tag call", "GetFileTag(\"zmod\")=1", {});
    row("call name in other case, no equals", "getcamerastate(\"zmod\")", {});
    row("call name in other case, equals", "getcamerastate(\"zmod\")=1", {"P1@16-22"});
    row("call after an assignment", "x = GetCameraState(\"zmod\")", {"P1@20-26"});
    row("no call, no equals", "print(\"zmod\")", {});
    row("both tables, parameter first", "x=\"both\"+\"x\"", {"P6@3-9", "T3@3-9"});
    row("parameter code ends the statement", "a=\"isoa\"", {"P2@3-9"});
    row("tag code ends the statement", "a=\"expo\"", {"T2@3-9"});
    row("call name followed by letters", "SetCameraStateX(\"zmod\")", {"P1@17-23"});
    row("code without quotes", "x=zmod", {});
    row("code inside a longer quote", "x=\"zmodx\"", {});
    row("leftmost code wins", "x=\"isoa\"+\"zmod\"", {"P2@3-9"});
    row("three-character code never matches", "x=\"abc\"+1", {});
    row("five-character code never matches", "x=\"abcde\"", {});
    row("six characters are not searched", "=\"zmod", {});
    row("seven characters are", "=\"zmod\"", {"P1@2-8"});
    row("duplicate parameter rows: the first", "x=\"zmod\"", {"P1@3-9"});
    row("duplicate tag rows: the first", "x=\"ownr\"", {"T1@3-9"});
    row("a call name cut short", "GetFile=1", {});
    row("spaces and tabs are dropped", "\t SetCameraState( \"zmod\" , 1)", {"P1@19-25"});
    row("a tab inside the quotes", "x = \"zm\tod\"", {"P1@5-12"});
    row("a tab after the opening mark", "x = \"\tzmod\"", {"P1@5-12"});
    row("a tab before the closing mark", "x = \"zmod\t\"", {"P1@5-12"});
    row("a space inside the quotes survives", "x = \"zm od\"", {});
    row("a comment ends the statement", "x = 1 # \"zmod\"", {});
    row("a hash inside quotes cuts the line", "x=\"#\"+\"zmod\"", {});
    row("a line feed inside the line", "x=\n\"zmod\"", {"P1@4-10"});
    row("accented letters count one column", "\xc3\xa9=\"zmod\"", {"P1@3-9"});
    row("characters past 16 bits count one", "\xf0\x9f\x93\xb7 = \"ownr\"", {"T1@5-11"});
    row("an invalid byte counts one", "\xff\xfe=\"isoa\"", {"P2@4-10"});
    row("a byte-order mark past the file's start is a character",
        "\xEF\xBB\xBFSetCameraState(\"zmod\")", {});
    row("byte-order marks in a row are a character each", "\xEF\xBB\xBF\xEF\xBB\xBFx=\"zmod\"",
        {"P1@5-11"});
  }

  void oneLine() {
    QFETCH(QByteArray, line);
    QFETCH(QStringList, alerts);
    const Tables tables = makeTables({"zmod", "isoa", "zmod", "abc", "abcde", "both"},
                                     {"ownr", "expo", "both", "ownr"});
    const Scanned got = scan(tables, "wait(1)\r\n" + line + "\r\n");
    QVERIFY(got.result.ok());
    QCOMPARE(got.result.lines, 2);
    QStringList seen;
    for (const SeenAlert& a : got.alerts) {
      QCOMPARE(a.line, 2);
      seen.append(QStringLiteral("%1%2@%3-%4")
                      .arg(a.table == TableKind::Tags ? "T" : "P")
                      .arg(a.row + 1)
                      .arg(a.column)
                      .arg(a.endColumn));
    }
    QCOMPARE(seen, alerts);
    // The bytes are read 64 at a time: the line at every place in such a
    // group, so that its windows run past a group's end at every byte.
    for (int shift = 0; shift < ScriptMasks::kGroup; ++shift) {
      const QByteArray script = "wait(" + QByteArray(shift, ' ') + ")\r\n" + line + "\r\n";
      QVERIFY2(sameAsReference(tables, script), qPrintable(QString::number(shift)));
    }
  }

  void lineCounts_data() {
    QTest::addColumn<QByteArray>("script");
    QTest::addColumn<qint64>("lines");
    QTest::newRow("empty") << QByteArray() << qint64(0);
    QTest::newRow("one line end") << QByteArray("\r\n") << qint64(1);
    QTest::newRow("last line without line end") << QByteArray("a\r\nb") << qint64(2);
    QTest::newRow("LF line ends make one line") << QByteArray("a\nb\nc\n") << qint64(1);
    QTest::newRow("CR alone ends a line") << QByteArray("a\rb\r\r") << qint64(3);
    QTest::newRow("CR LF LF") << QByteArray("a\r\n\nb") << qint64(2);
    QTest::newRow("only a byte-order mark") << QByteArray("\xEF\xBB\xBF") << qint64(0);
  }

  // A byte-order mark at the start of a script marks its encoding: the
  // first line starts after it.
  void byteOrderMark() {
    const Scanned got = scan(plainTables(), "\xEF\xBB\xBFGetFileTag(\"ownr\")\r\n");
    QCOMPARE(got.alerts.size(), 1);
    QCOMPARE(got.alerts[0].statement, QStringLiteral("GetFileTag(\"ownr\")"));
    QCOMPARE(got.alerts[0].column, 12);
  }

  void lineCounts() {
    QFETCH(QByteArray, script);
    QFETCH(qint64, lines);
    for (const bool stream : {false, true}) {
      Reading how;
      how.stream = stream;
      how.readSize = 1;
      const Scanned got = scan(plainTables(), script, how);
      QCOMPARE(got.result.lines, lines);
    }
  }

  // Random scripts of every kind of line, read every way: in one piece, in
  // stretches that meet at random bytes, as a stream, with reads of any
  // size.
  void matchesTheReference() {
    QRandomGenerator random(99);
    for (int round = 0; round < 6000; ++round) {
      const QByteArray script = randomScript(random);
      const Tables& tables = round % 2 == 0 ? plainTables() : oddTables();
      Reading how;
      how.readSize = 1 + random.bounded(64);
      if (round % 3 == 0) how.longLine = 1 + random.bounded(40);
      switch (round % 4) {
        case 0:
          break;
        case 1:
          how.stream = true;
          break;
        default:
          how.splitFrom = random.bounded(script.size() + 1);
          how.stretchBytes = 1 + random.bounded(script.size() + 1);
      }
      QVERIFY2(sameAsReference(tables, script, how), qPrintable(QString::number(round)));
    }
  }

  // One workspace serves script after script, whatever the last one left in
  // its buffers: a long line, alerts not handed over after a failed read.
  void aWorkspaceServesManyScripts() {
    QRandomGenerator random(8);
    const ScriptScanner scanner(oddTables());
    ScanWorkspace workspace(scanner);
    for (int round = 0; round < 300; ++round) {
      QByteArray script = randomScript(random);
      if (round % 10 == 0) script += QByteArray(300000, ' ') + "x=\"zmod\"\r\n";
      FakeFileSystem fs;
      fs.add(kScript, script);
      fs.setStreams(round % 2 == 1);
      if (round % 7 == 0) fs.failReadsAt(kScript, script.size() / 2);
      QString error;
      const auto source = fs.open(kScript, &error);
      CollectingSink sink(oddTables());
      const ScanResult result = scanner.scan(*source, sink, nullptr, &workspace);
      if (round % 7 == 0) continue;  // failed on purpose; the next round must not mind
      ReferenceScan reference(oddTables());
      QCOMPARE(sink.alerts, reference.run(script));
      QCOMPARE(result.lines, reference.lines());
    }
  }

  // Tables of thousands of codes: the index wraps around its slots and the
  // code filter is sized to them.
  void largeTables() {
    QRandomGenerator random(5000);
    for (const int size : {5000, 9000}) {
      const QStringList codes = randomCodes(random, 2 * size);
      const Tables tables = makeTables(codes.mid(0, size), codes.mid(size));
      QByteArray script;
      for (int line = 0; line < 1200; ++line) {
        const QByteArray code = codes[random.bounded(codes.size())].toLatin1();
        const QByteArray other = codes[random.bounded(codes.size())].toLatin1();
        switch (random.bounded(4)) {
          case 0:
            script += "x = \"" + code + "\" + \"" + other + "\"\r\n";
            break;
          case 1:
            script += "SetCameraState( \"" + code + "\", 1)\r\n";
            break;
          case 2:
            script += "GetFileTag(\t\"" + code + "\")\r\n";
            break;
          default:
            script += "y=\"" + code.left(3) + "\"+\"" + other + "x\"\r\n";
        }
      }
      QVERIFY(sameAsReference(tables, script));
    }
  }

  // Lines of 10 to 200 KB, with long runs of spaces and tabs after quotation
  // marks and comments that cross the edges of the 64-byte groups and the
  // 4 KiB batches of masks.
  void longLines() {
    QRandomGenerator random(64);
    const Tables& tables = oddTables();
    for (int round = 0; round < 12; ++round) {
      QByteArray script;
      for (int line = 0; line < 3; ++line) {
        const int length = 10000 + random.bounded(190000);
        QByteArray text = random.bounded(2) ? "x = " : "SetCameraState(";
        while (text.size() < length) {
          const int gap = random.bounded(4) == 0 ? random.bounded(5000) : random.bounded(70);
          const QByteArray run = QByteArray(gap, random.bounded(2) ? ' ' : '\t');
          switch (random.bounded(6)) {
            case 0:
              text += "\"" + run + "zmod\"";
              break;
            case 1:
              text += "\"zm" + run + "od\"";
              break;
            case 2:
              text += run + "# \"zmod\"" + run;
              break;
            case 3:
              text += "\"" + run + "\"" + run;
              break;
            default:
              text += kPieces[random.bounded(int(std::size(kPieces)))] + run;
          }
        }
        script += text + (random.bounded(2) ? "\r\n" : "\r");
      }
      const Expected expected = referenceOf(tables, script);
      QVERIFY2(sameAs(expected, tables, script), qPrintable(QString::number(round)));
      Reading split;
      split.splitFrom = 0;
      split.stretchBytes = 4096 + random.bounded(100000);
      QVERIFY(sameAs(expected, tables, script, split));
      // Lines read in pieces, and again whole only if they may matter.
      for (Reading pieces : {Reading{}, split}) {
        pieces.longLine = 1000 + random.bounded(100000);
        pieces.readSize = 1000 + random.bounded(70000);
        QVERIFY2(sameAs(expected, tables, script, pieces), qPrintable(QString::number(round)));
      }
    }
  }

  // Scripts past the size where the scan splits, with stretches of random
  // sizes, so that their edges fall on every kind of byte.
  // One of them alerts on every line, so that each stretch finds more than
  // a scan keeps its buffers for.
  void largeScriptsInStretches() {
    QRandomGenerator random(4);
    QByteArray script;
    while (script.size() < ScriptScanner::kSplitFrom + 300000) script += randomScript(random, 200);
    QByteArray dense;
    while (dense.size() < ScriptScanner::kSplitFrom + 300000) dense += "x = \"zmod\"\r\n";
    for (const QByteArray& tested : {script, dense}) {
      const Expected expected = referenceOf(oddTables(), tested);
      for (int round = 0; round < 6; ++round) {
        Reading how;
        how.stretchBytes = 1 + random.bounded(300000);
        how.readSize = 1000 + random.bounded(70000);
        QVERIFY(sameAs(expected, oddTables(), tested, how));
      }
    }
  }

  // A read that fails ends the scan with the reason; what was handed over
  // before it is the start of the full report, in order.
  void readFailures() {
    QRandomGenerator random(13);
    QByteArray script;
    while (script.size() < 300000) script += randomScript(random, 100);
    ReferenceScan reference(plainTables());
    const QList<SeenAlert> all = reference.run(script);
    for (int round = 0; round < 40; ++round) {
      Reading how;
      how.failAt = random.bounded(script.size());
      how.readSize = 100 + random.bounded(5000);
      if (round % 2) {
        how.splitFrom = 0;
        how.stretchBytes = 1000 + random.bounded(50000);
      }
      const Scanned got = scan(plainTables(), script, how);
      QCOMPARE(got.result.error, QStringLiteral("Input/output error"));
      QVERIFY(got.alerts.size() <= all.size());
      QCOMPARE(got.alerts, all.mid(0, got.alerts.size()));
      // Nothing from lines at or past the failure.
      const qint64 failedLine = script.left(how.failAt).count('\r') + 1;
      QVERIFY(got.alerts.isEmpty() || got.alerts.last().line < failedLine);
    }
  }

  // A line too long to hold is read again whole only when a listed code or
  // a directive may stand in it; what it holds is found either way.
  void longLinesReadAgainOnlyWhenTheyMatter_data() {
    QTest::addColumn<QByteArray>("tail");
    QTest::addColumn<bool>("readAgain");
    QTest::addColumn<int>("alerts");
    QTest::addColumn<int>("directives");
    QTest::newRow("nothing listed") << QByteArray("\"zmox\"") << false << 0 << 0;
    QTest::newRow("a listed code") << QByteArray("\"zmod\"") << true << 1 << 0;
    QTest::newRow("a code cut by tabs") << QByteArray("\"zm\t\tod\"") << true << 1 << 0;
    QTest::newRow("a code in a comment") << QByteArray("# \"zmod\"") << false << 0 << 0;
    QTest::newRow("a directive") << QByteArray("# vornel-scan: disable=zmod") << true << 0 << 1;
    QTest::newRow("a directive after spaces")
        << QByteArray("#\t vornel-scan: disable=zmod") << true << 0 << 1;
    QTest::newRow("no directive") << QByteArray("# vornel-scan disable") << false << 0 << 0;
  }

  void longLinesReadAgainOnlyWhenTheyMatter() {
    QFETCH(QByteArray, tail);
    QFETCH(bool, readAgain);
    QFETCH(int, alerts);
    QFETCH(int, directives);
    const QByteArray longLine = "x = " + QByteArray(300000, ' ') + tail;
    const QByteArray script = "a\r\n" + longLine + "\r\nb = \"zmod\"\r\n";
    for (const bool stretches : {false, true}) {
      FakeFileSystem fs;
      fs.add(kScript, script);
      fs.setReadSize(4096);
      ScriptScanner scanner(plainTables());
      scanner.setLongLine(10000);
      if (stretches) scanner.setStretches(0, 100000);
      struct : CollectingSink {
        using CollectingSink::CollectingSink;
        void directive(const Directive& d) override { lines.append(d.line); }
        QList<qint64> lines;
      } sink(plainTables());
      QString error;
      const auto source = fs.open(kScript, &error);
      const ScanResult result = scanner.scan(*source, sink, &helper());
      QCOMPARE(result.lines, 3);
      QCOMPARE(sink.alerts.size(), alerts + 1);
      QCOMPARE(sink.alerts.last().line, 3);
      QCOMPARE(sink.lines, QList<qint64>(directives, 2));
      // Finding where stretches start reads a little more.
      const qint64 again = readAgain ? longLine.size() : 0;
      if (!stretches) QCOMPARE(fs.bytesRead(kScript), script.size() + again);
    }
  }

  // A stream cannot be read again, so its lines are held whole, up to a limit.
  void aStreamLineTooLongToHold() {
    const QByteArray script = "a = \"zmod\"\r\n" +
                              QByteArray(LineBlockReader::kLongestStreamLine + 1, 'x') +
                              "\r\nb = \"zmod\"\r\n";
    Reading how;
    how.stream = true;
    const Scanned got = scan(plainTables(), script, how);
    QCOMPARE(got.alerts.size(), 1);
    QVERIFY2(got.result.error.startsWith(QStringLiteral("line 2: a line longer than 64 MiB")),
             qPrintable(got.result.error));
  }

  // However it is read, a script is opened once.
  void openedOnce() {
    QRandomGenerator random(1);
    QByteArray script;
    while (script.size() < 100000) script += randomScript(random, 100);
    Reading how;
    how.splitFrom = 0;
    how.stretchBytes = 5000;
    QCOMPARE(scan(plainTables(), script, how).opens, 1);
  }

  // A script replaced by rename while it is scanned, as editors save: every
  // scan reports exactly one of the two versions, never a mix.
  void replacedWhileScanned() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("live.csm"));
    QByteArray withAlerts;
    QByteArray without;
    constexpr qint64 kSplitFrom = 1 << 20;
    while (withAlerts.size() < kSplitFrom + (1 << 19)) {
      withAlerts += "SetCameraState(\"zmod\", 1)\r\nwait(1)\r\n";
      without += "SetCameraState(\"zzzz\", 1)\r\nwait(1)\r\n";
    }
    const QString versions[] = {dir.filePath(QStringLiteral("a")),
                                dir.filePath(QStringLiteral("b"))};
    auto write = [](const QString& to, const QByteArray& bytes) {
      QFile file(to);
      return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
    };
    QVERIFY(write(path, withAlerts));
    std::atomic<bool> done{false};
    std::thread swapper([&] {
      for (int i = 0; !done; ++i) {
        const QString staged = versions[i % 2];
        if (write(staged, i % 2 ? without : withAlerts)) QFile::rename(staged, path);
        // Still many times a scan, but leaving the scan a core of its own.
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
      }
    });
    const qint64 lines = withAlerts.count('\r');
    DiskFileSystem disk;
    ScriptScanner scanner(plainTables());
    scanner.setStretches(kSplitFrom, 64 * 1024);
    for (int round = 0; round < 12; ++round) {
      QString error;
      const auto source = disk.open(path, &error);
      QVERIFY2(source, qPrintable(error));
      CollectingSink sink(plainTables());
      const ScanResult result = scanner.scan(*source, sink, &helper());
      QVERIFY(result.ok());
      QCOMPARE(result.lines, lines);
      QVERIFY2(sink.alerts.size() == lines / 2 || sink.alerts.isEmpty(),
               qPrintable(QString::number(sink.alerts.size())));
    }
    done = true;
    swapper.join();
  }
};

QTEST_GUILESS_MAIN(ScriptScannerTest)
#include "test_script_scanner.moc"
