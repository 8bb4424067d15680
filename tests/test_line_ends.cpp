// Line ends through the one check pipeline: under crlf a script with LFs
// that follow no CR and join lines gets one line-ends diagnostic at the
// first, however the script is read (a file or a stream, short reads,
// stretches on two threads, long lines in pieces); under any, a script
// reads exactly as its CR LF twin does; under auto, as its first line end
// says.

#include <QRegularExpression>
#include <QTest>

#include "FakePlatform.h"
#include "JoinedLines.h"
#include "LineEndSource.h"
#include "ScriptCheck.h"
#include "TestTables.h"

namespace {

using textlines::LineEnds;

const Tables& tables() {
  static const Tables made = makeTables({"zmod", "isoa"}, {"ownr"});
  return made;
}

HelperThread& helper() {
  static HelperThread thread;
  return thread;
}

// One way of reading a script.
struct Reading {
  const char* name;
  bool stream = false;
  qint64 readSize = 1 << 20;
  qint64 stretchBytes = 0;  // 0: in one piece
  qsizetype longLine = LineBlockReader::kLongLine;
  // Without the helper, a small script's first read settles auto.
  bool withHelper = true;
};

const Reading kReadings[] = {
    {"a file"},
    {"a stream", true},
    {"a file read a byte at a time", false, 1},
    {"a file read 3 bytes at a time", false, 3},
    {"a file read 5 bytes at a time", false, 5},
    {"a stream read a byte at a time", true, 1},
    {"a stream read 2 bytes at a time", true, 2},
    {"stretches of 1 byte", false, 1 << 20, 1},
    {"stretches of 3 bytes", false, 1 << 20, 3},
    {"stretches of 7 bytes", false, 2, 7},
    {"long lines from 4 bytes", false, 1 << 20, 0, 4},
    {"long lines from 9 bytes, read 2 at a time", false, 2, 0, 9},
    {"stretches and long lines", false, 3, 5, 4},
    {"a file without the helper", false, 1 << 20, 0, LineBlockReader::kLongLine, false},
    {"a file read 3 bytes at a time without the helper", false, 3, 0, LineBlockReader::kLongLine,
     false},
};

// Each diagnostic as "line:column code", a line-ends one as
// "line:column line-ends N" with N the count its message gives; "~" marks
// a silenced one. Then the number of lines the check read.
struct Told : DiagnosticSink {
  QStringList lines;
  void diagnostic(const Diagnostic& d) override {
    QString line = QStringLiteral("%1%2:%3 ")
                       .arg(d.silenced == Diagnostic::Silenced::No ? "" : "~")
                       .arg(d.line)
                       .arg(d.column);
    if (d.isTableAlert()) {
      line += d.code().toString();
    } else if (d.rule == Rule::LineEnds) {
      const auto joined =
          QRegularExpression(QStringLiteral("(\\d+) lines? (was|were) joined")).match(d.text);
      line += QStringLiteral("line-ends ") + (joined.hasMatch() ? joined.captured(1) : "?");
      if (d.endColumn != d.column + 1) line += QStringLiteral(" (not one column long)");
    } else {
      line += d.ruleId();
    }
    lines.append(line);
  }
};

ScanResult checkedInto(DiagnosticSink& sink, const QByteArray& script,
                       const CheckSettings& settings, const Reading& how) {
  FakeFileSystem files;
  files.add(QStringLiteral("s.csm"), script);
  files.setStreams(how.stream);
  files.setReadSize(how.readSize);
  QString error;
  const auto source = files.open(QStringLiteral("s.csm"), &error);
  ScriptScanner scanner(tables());
  if (how.stretchBytes > 0) scanner.setStretches(0, how.stretchBytes);
  scanner.setLongLine(how.longLine);
  return ScriptCheck(scanner, tables(), settings)
      .check(*source, QStringLiteral("s.csm"), sink, how.withHelper ? &helper() : nullptr);
}

QString checked(const QByteArray& script, LineEnds lineEnds, const Reading& how = kReadings[0],
                bool tell = true) {
  CheckSettings settings;
  settings.directives = true;
  settings.lineEnds = lineEnds;
  settings.tellLoneLineFeeds = tell;
  Told told;
  const ScanResult result = checkedInto(told, script, settings, how);
  told.lines.append(QStringLiteral("%1 lines").arg(result.lines));
  return told.lines.join(QStringLiteral(" | "));
}

// The script with every LF that follows no CR made a CR LF.
QByteArray crLfTwin(const QByteArray& script) {
  QByteArray twin;
  for (qsizetype i = 0; i < script.size(); ++i) {
    if (script[i] == '\n' && (i == 0 || script[i - 1] != '\r')) twin += '\r';
    twin += script[i];
  }
  return twin;
}

const QByteArray kZoom = "x = \"zmod\"";

}  // namespace

class LineEndsTest : public QObject {
  Q_OBJECT

 private slots:
  // Under crlf: what the check tells, the same however the script is read.
  void crlfTellsOfTheFirstLoneLineFeed_data() {
    QTest::addColumn<QByteArray>("script");
    QTest::addColumn<QString>("told");
    QTest::newRow("CR LF only") << kZoom + "\r\ny = \"isoa\"\r\n"
                                << "1:5 zmod | 2:5 isoa | 2 lines";
    QTest::newRow("CR only") << kZoom + "\ry\r"
                             << "1:5 zmod | 2 lines";
    QTest::newRow("LF only: a comment swallows the script")
        << "# zoom\n" + kZoom + "\ny = \"isoa\"\n"
        << "1:7 line-ends 2 | 1 lines";
    QTest::newRow("one LF among CR LF") << "a = 1\r\nbb\ncc\r\n" + kZoom + "\r\n"
                                        << "3:5 zmod | 2:3 line-ends 1 | 3 lines";
    QTest::newRow("an LF after a CR LF follows no CR")
        << QByteArray("ab\r\n\nc") << "2:1 line-ends 1 | 2 lines";
    QTest::newRow("LF LF") << QByteArray("a\n\nb") << "1:2 line-ends 2 | 1 lines";
    QTest::newRow("CR CR LF LF") << QByteArray("a\r\r\n\nb\nc") << "3:1 line-ends 2 | 3 lines";
    QTest::newRow("a trailing LF joins nothing") << kZoom + "\r\n" + kZoom + "\n"
                                                 << "1:5 zmod | 2:5 zmod | 2 lines";
    QTest::newRow("a LF alone") << QByteArray("a\n") << "1 lines";
    QTest::newRow("two lines and a trailing LF")
        << QByteArray("a\nb\n") << "1:2 line-ends 1 | 1 lines";
    QTest::newRow("a trailing LF after a LF") << QByteArray("a\n\n") << "1:2 line-ends 1 | 1 lines";
    QTest::newRow("an LF first, after a byte-order mark") << "\xEF\xBB\xBF\n" + kZoom + "\r\n"
                                                          << "1:6 zmod | 1:1 line-ends 1 | 1 lines";
    QTest::newRow("columns count characters")
        << "\xC3\xA9\xF0\x9F\x98\x80x\n" + kZoom << "1:9 zmod | 1:4 line-ends 1 | 1 lines";
    QTest::newRow("CR LF across 64-byte groups")
        << QByteArray(63, 'a') + "\r\n" + QByteArray(63, 'b') + "\r\n"
        << "2 lines";
    QTest::newRow("CR LF across 4 KiB of groups") << QByteArray(4095, 'a') + "\r\nb\r\n"
                                                  << "2 lines";
    QTest::newRow("an LF first in a group after a CR LF") << QByteArray(62, 'a') + "\r\n\nb"
                                                          << "2:1 line-ends 1 | 2 lines";
    QTest::newRow("the first far down, in a long line")
        << QByteArray("a\r\n").repeated(20) + QByteArray(30, 'b') + "\n" + QByteArray(30, 'c') +
               "\n\r\nz\n"
        << "21:31 line-ends 2 | 22 lines";
    QTest::newRow("an alert after the joined line") << "a\nb\r\n" + kZoom + "\r\n"
                                                    << "2:5 zmod | 1:2 line-ends 1 | 2 lines";
  }

  void crlfTellsOfTheFirstLoneLineFeed() {
    QFETCH(QByteArray, script);
    QFETCH(QString, told);
    for (const Reading& how : kReadings) {
      const QString got = checked(script, LineEnds::CrLf, how);
      if (got != told) QFAIL(qPrintable(QStringLiteral("%1: %2").arg(how.name, got)));
    }
  }

  // What the joined lines hold, read with LF line ends, for a baseline: the
  // alerts of the lines joined and of the line they were joined into, the
  // same however the script is read, except a stream, which is read once.
  void joinedLinesHold_data() {
    QTest::addColumn<QByteArray>("script");
    QTest::addColumn<QString>("held");  // "joined N:" and each alert's statement and count
    QTest::newRow("a comment swallows an alert") << "a = 1\r\n# note\n" + kZoom + "\r\n"
                                                 << "joined 1: x=\"zmod\" 1";
    QTest::newRow("the line joined into, and a trailing LF")
        << "a\r\n" + kZoom + "\n" + kZoom + "\n"
        << "joined 1: x=\"zmod\" 2";
    QTest::newRow("a trailing LF joins nothing") << "a\nb\r\n" + kZoom + "\n"
                                                 << "joined 1:";
    QTest::newRow("lines not joined hold none") << kZoom + "\r\na\nb\r\ny = \"isoa\"\r\n"
                                                << "joined 1:";
    QTest::newRow("a LF after a CR LF") << "a\r\n\n" + kZoom << "joined 1: x=\"zmod\" 1";
    QTest::newRow("two joined lines, a line between")
        << "a\nb\r\ny = \"isoa\"\rc\n\n" + kZoom + "\r\n"
        << "joined 3: x=\"zmod\" 1";
  }

  void joinedLinesHold() {
    QFETCH(QByteArray, script);
    QFETCH(QString, held);
    struct Held : DiagnosticSink {
      QString told;
      void diagnostic(const Diagnostic&) override {}
      void joinedLines(const JoinedLines& joined) override {
        told = QStringLiteral("joined %1:").arg(joined.joined);
        if (!joined.alertsKnown) told += QStringLiteral(" not read");
        QStringList alerts;
        for (auto it = joined.alerts.cbegin(); it != joined.alerts.cend(); ++it)
          alerts += u' ' + it.key().section(u':', 2).mid(4) + u' ' + QString::number(it.value());
        alerts.sort();
        told += alerts.join(QString());
      }
    };
    CheckSettings settings;
    settings.lineEnds = LineEnds::CrLf;
    settings.tellLoneLineFeeds = settings.recordJoinedLines = true;
    for (const Reading& how : kReadings) {
      Held sink;
      checkedInto(sink, script, settings, how);
      const QString expected = how.stream ? held.section(u':', 0, 0) + ": not read" : held;
      QVERIFY2(sink.told == expected, qPrintable(QString(how.name) + ": " + sink.told));
    }
  }

  // Without the rule asked for, as the desktop program checks, nothing is
  // added.
  void onlyWhenAskedFor() {
    QCOMPARE(checked("# a\n" + kZoom + "\n", LineEnds::CrLf, kReadings[0], false), "1 lines");
  }

  // Under auto, the first line end decides: a lone LF there, and the
  // script reads as under any; a CR there, or none, and as under crlf.
  void autoFollowsTheFirstLineEnd_data() {
    QTest::addColumn<QByteArray>("script");
    QTest::addColumn<QString>("told");
    QTest::newRow("LF only") << "# zoom\n" + kZoom + "\ny = \"isoa\"\n"
                             << "2:5 zmod | 3:5 isoa | 3 lines";
    QTest::newRow("LF first, CR LF later") << "a\n" + kZoom + "\r\nb = \"isoa\"\n"
                                           << "2:5 zmod | 3:5 isoa | 3 lines";
    QTest::newRow("CR LF first, a LF later") << "a = 1\r\nbb\ncc\r\n" + kZoom + "\r\n"
                                             << "3:5 zmod | 2:3 line-ends 1 | 3 lines";
    QTest::newRow("CR first, a LF later") << kZoom + "\ry\nz"
                                          << "1:5 zmod | 2:2 line-ends 1 | 2 lines";
    QTest::newRow("no line end") << kZoom << "1:5 zmod | 1 lines";
    QTest::newRow("empty") << QByteArray() << "0 lines";
    QTest::newRow("a LF first, after a byte-order mark")
        << "\xEF\xBB\xBF\n" + kZoom << "2:5 zmod | 2 lines";
    QTest::newRow("the first line end past the first read")
        << QByteArray(5000, 'a') + "\n" + kZoom + "\n"
        << "2:5 zmod | 2 lines";
    QTest::newRow("a CR LF split by the first read")
        << QByteArray(4095, 'a') + "\r\n" + kZoom + "\ny = \"isoa\""
        << "2:5 zmod | 2:11 line-ends 1 | 2 lines";
  }

  void autoFollowsTheFirstLineEnd() {
    QFETCH(QByteArray, script);
    QFETCH(QString, told);
    for (const Reading& how : kReadings) {
      const QString got = checked(script, LineEnds::Auto, how);
      if (got != told) QFAIL(qPrintable(QStringLiteral("%1: %2").arg(how.name, got)));
    }
  }

  // Under any: the script reads as its CR LF twin does under either setting,
  // lines, columns, directives and all.
  void anyReadsAsTheCrLfTwin_data() {
    QTest::addColumn<QByteArray>("script");
    QTest::newRow("LF only") << "# zoom\n" + kZoom + "\ny = \"isoa\" + \"ownr\"\n";
    QTest::newRow("mixed") << "a\r\n" + kZoom + "\ny\r\n\xC3\xA9 = \"isoa\"\n";
    QTest::newRow("LF LF") << kZoom + "\n\n\ny = \"isoa\"";
    QTest::newRow("CR alone") << kZoom + "\ry = \"isoa\"\n";
    QTest::newRow("CR LF LF") << kZoom + "\r\n\ny = \"isoa\"\r\n";
    QTest::newRow("LF CR") << kZoom + "\n\ry = \"isoa\"\n\r";
    QTest::newRow("a trailing LF") << kZoom + "\n";
    QTest::newRow("no final line end") << "a\n" + kZoom;
    QTest::newRow("a directive for the next line")
        << "# vornel-scan: disable-next-line=zmod\n" + kZoom + "\n" + kZoom + "\n";
    QTest::newRow("after a byte-order mark") << "\xEF\xBB\xBF\n\n" + kZoom;
    QTest::newRow("around 64-byte groups")
        << QByteArray(63, 'a') + "\n\n" + QByteArray(62, 'b') + "\r\n\n" + kZoom;
  }

  void anyReadsAsTheCrLfTwin() {
    QFETCH(QByteArray, script);
    const QByteArray twin = crLfTwin(script);
    const QString expected = checked(twin, LineEnds::CrLf);
    QVERIFY(!expected.contains(QStringLiteral("line-ends")));
    for (const Reading& how : kReadings) {
      for (const QByteArray& read : {script, twin}) {
        const QString got = checked(read, LineEnds::Any, how);
        if (got != expected) {
          QFAIL(qPrintable(
              QStringLiteral("%1, %2: %3 instead of %4")
                  .arg(how.name, read == twin ? "the twin" : "the script", got, expected)));
        }
      }
    }
  }

  // The editor's text, turned as the source turns a script.
  void aTextTurnsAsTheSourceDoes_data() {
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<LineEnds>("lineEnds");
    QTest::addColumn<QByteArray>("turned");
    QTest::newRow("LF") << QByteArray("a\nb\n") << LineEnds::Any << QByteArray("a\rb\r");
    QTest::newRow("CR LF stays") << QByteArray("a\r\nb") << LineEnds::Any << QByteArray("a\r\nb");
    QTest::newRow("LF LF") << QByteArray("\n\n") << LineEnds::Any << QByteArray("\r\r");
    QTest::newRow("CR LF LF") << QByteArray("\r\n\n") << LineEnds::Any << QByteArray("\r\n\r");
    QTest::newRow("crlf turns none") << QByteArray("a\nb") << LineEnds::CrLf << QByteArray("a\nb");
    QTest::newRow("auto, LF first")
        << QByteArray("a\nb\r\nc\n") << LineEnds::Auto << QByteArray("a\rb\r\nc\r");
    QTest::newRow("auto, CR LF first")
        << QByteArray("a\r\nb\nc") << LineEnds::Auto << QByteArray("a\r\nb\nc");
  }

  void aTextTurnsAsTheSourceDoes() {
    QFETCH(QByteArray, text);
    QFETCH(LineEnds, lineEnds);
    QFETCH(QByteArray, turned);
    QCOMPARE(lineends::asRead(text, lineEnds), turned);
  }
};

QTEST_GUILESS_MAIN(LineEndsTest)
#include "test_line_ends.moc"
