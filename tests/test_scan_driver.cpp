// Whole scans through the engine against the in-memory platform.

#include <QRandomGenerator>
#include <QTest>

#include "FakePlatform.h"
#include "PublicSubs.h"
#include "TestTables.h"

namespace {

const QString kScript = QStringLiteral("/home/ann/night.csm");

struct Rig {
  FakeFileSystem fs;
  FakeWindow window;
  PublicSubs engine{fs, window};

  Rig() { engine.Tables = makeTables({"zmod", "isoa"}, {"ownr", "expo"}); }

  PublicSubs::ScanOutcome scan(const QString& path, const QByteArray& bytes) {
    fs.add(path, bytes);
    return scan(path);
  }
  PublicSubs::ScanOutcome scan(const QString& path) {
    window.answers = {path};
    window.statusHistory.clear();
    window.messageBoxes.clear();
    return engine.ScanScript();
  }
};

void identityRows() {
  QTest::addColumn<bool>("identities");
  QTest::newRow("no identities") << false;
  QTest::newRow("identities") << true;
}

// What a scan leaves behind, for comparing two ways of scanning.
struct Result {
  QString report;
  qint64 alerts, lineNumber, statementLength, matchIndex;
  QString rawLine, statement;
  bool hasEquals;
  bool operator==(const Result&) const = default;
};

Result resultOf(const PublicSubs& e, const QString& report) {
  return {report,       e.AlertCount, e.LineNumber, e.StatementLength,
          e.MatchIndex, e.RawLine,    e.Statement,  e.HasEquals};
}

// The scan as the plain procedures describe it: count, then normalise and
// check every line in turn.
Result scanWithTheProcedures(PublicSubs& e, const QString& path) {
  e.FileNumber1.open(path);
  const qint64 count = e.CountLines();
  e.FileNumber1.open(path);
  e.AlertCount = 0;
  for (e.LineNumber = 1; e.LineNumber <= count; ++e.LineNumber) {
    e.NormaliseLine();
    e.CheckStatement(e.Statement);
  }
  e.FileNumber1.close();
  return resultOf(e, e.reportInProgress());
}

QByteArray randomScript(QRandomGenerator& random) {
  static const char* const pieces[] = {"\"z\"od\"",
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
                                       "\xff",
                                       "\n",
                                       "\f",
                                       "1",
                                       "getfiletag(",
                                       "ab cd",
                                       "\v",
                                       "\"\vxmo\"",
                                       "\"\xc3\xa9xmo\""};
  QByteArray script;
  const int lines = random.bounded(30);
  for (int l = 0; l < lines; ++l) {
    const int parts = random.bounded(8);
    for (int p = 0; p < parts; ++p) script += pieces[random.bounded(int(std::size(pieces)))];
    script += random.bounded(3) == 0 ? "\r" : "\r\n";
  }
  if (random.bounded(2)) script += "SetCameraState(\"zmod\")";  // a last line without line end
  return script;
}

}  // namespace

class ScanDriverTest : public QObject {
  Q_OBJECT

 private slots:
  void statusTextsOfAScan() {
    Rig rig;
    const auto outcome =
        rig.scan(kScript, "x = 1\r\nSetCameraState(\"zmod\", 1)\r\nt=\"expo\"\r\n");
    QCOMPARE(outcome, PublicSubs::ScanOutcome::Completed);
    QCOMPARE(rig.window.dialogFilter, QStringLiteral("Vornel Scripts (*.csm)|*.csm"));
    const QString file = QStringLiteral("File ") + kScript + QStringLiteral(" Selected");
    QCOMPARE(rig.window.statusHistory,
             (QStringList{file, file + "\rProcessing...",
                          file + "\rProcessing...\rContains 3 Lines", file + "\r2 Alerts. "}));
    QCOMPARE(rig.window.repaintedStatus, QStringList{file + "\rProcessing..."});
    QCOMPARE(rig.window.report, QStringLiteral("2 SetCameraState(\"zmod\",1):  param row 1\r\n"
                                               "3 t=\"expo\":  tag row 2"));
    QVERIFY(rig.window.messageBoxes.isEmpty());
    QCOMPARE(rig.engine.ScriptLineCount, 3);
    QCOMPARE(rig.engine.LineNumber, 4);
    // The shared line state holds the last line, which alerted.
    QCOMPARE(rig.engine.Statement, QStringLiteral("t=\"expo\""));
    QCOMPARE(rig.engine.MatchIndex, 2);
  }

  void displayName_data() {
    QTest::addColumn<int>("pathLength");
    QTest::addColumn<bool>("cut");
    QTest::newRow("60 characters shown whole") << 60 << false;
    QTest::newRow("61 characters cut to 60") << 61 << true;
  }

  void displayName() {
    QFETCH(int, pathLength);
    QFETCH(bool, cut);
    const QString path = QStringLiteral("/") + QString(pathLength - 5, QLatin1Char('d')) + ".csm";
    Rig rig;
    rig.scan(path, "x\r\n");
    const QString shown = cut ? path.left(60) + "..." : path;
    QCOMPARE(rig.window.status, "File " + shown + " Selected\r0 Alerts. ");
    QCOMPARE(rig.fs.opens(path), 2);  // opened under its full path, twice
  }

  void noFileChosenChangesOnlyTheStatus() {
    Rig rig;
    rig.scan(kScript, "SetCameraState(\"zmod\")\r\n");
    const QString report = rig.window.report;
    const qint64 alerts = rig.engine.AlertCount;
    QCOMPARE(rig.scan(QString()), PublicSubs::ScanOutcome::NoFileChosen);
    QCOMPARE(rig.window.status,
             QStringLiteral("No File Selected\rSelect a Vornel Script file to Process"));
    QCOMPARE(rig.window.report, report);
    QCOMPARE(rig.engine.AlertCount, alerts);
    QCOMPARE(rig.engine.ScriptLineCount, 1);
    QVERIFY(rig.window.messageBoxes.isEmpty());
  }

  void scansWithoutAlerts_data() {
    QTest::addColumn<QByteArray>("script");
    QTest::addColumn<qint64>("lines");
    QTest::newRow("empty script") << QByteArray() << qint64(0);
    QTest::newRow("LF line ends make one line") << QByteArray("a\nb\nc\n") << qint64(1);
    QTest::newRow("comments only") << QByteArray("# \"zmod\"\r\n  # x=\"ownr\"") << qint64(2);
  }

  void scansWithoutAlerts() {
    QFETCH(QByteArray, script);
    QFETCH(qint64, lines);
    Rig rig;
    rig.window.report = QStringLiteral("old report");
    rig.scan(kScript, script);
    QVERIFY(rig.window.statusHistory.contains(
        QStringLiteral("File %1 Selected\rProcessing...\rContains %2 Lines")
            .arg(kScript)
            .arg(lines)));
    QCOMPARE(rig.window.status, "File " + kScript + " Selected\r0 Alerts. ");
    QCOMPARE(rig.window.report, QString());
    QCOMPARE(rig.window.messageBoxes.size(), 1);
    QCOMPARE(rig.window.messageBoxes[0].text, QStringLiteral("No problems found!"));
    QCOMPARE(rig.window.messageBoxes[0].title, QStringLiteral("Scan Complete"));
  }

  void lastLineWithoutLineEndIsChecked() {
    Rig rig;
    rig.scan(kScript, "x=1\r\nGetFileTag(\"ownr\")");
    QCOMPARE(rig.window.report, QStringLiteral("2 GetFileTag(\"ownr\"):  tag row 1"));
  }

  void secondScanReplacesTheReport() {
    Rig rig;
    rig.scan(kScript, "a=\"zmod\"\r\nb=\"isoa\"\r\n");
    QCOMPARE(rig.engine.AlertCount, 2);
    rig.scan(QStringLiteral("/b.csm"), "\r\nc=\"ownr\"\r\n");
    QCOMPARE(rig.window.report, QStringLiteral("2 c=\"ownr\":  tag row 1"));
    QCOMPARE(rig.engine.AlertCount, 1);
  }

  void lineStateHoldsTheLastLineEvenWithoutAlert() {
    Rig rig;
    rig.scan(kScript, "a=\"zmod\"\r\n  b = c  # note\r\n");
    QCOMPARE(rig.engine.RawLine, QStringLiteral("  b = c  # note"));
    QCOMPARE(rig.engine.Statement, QStringLiteral("b=c"));
    QCOMPARE(rig.engine.StatementLength, 3);
    QVERIFY(rig.engine.HasEquals);
    QCOMPARE(rig.engine.MatchIndex, 1);
  }

  // A script that cannot be read ends the scan with a message; the previous
  // report and counters stay.
  void unreadableScripts_data() {
    QTest::addColumn<QString>("openFailure");
    QTest::addColumn<int>("readFailureOnOpen");
    QTest::addColumn<QString>("reason");
    QTest::addColumn<qint64>("splitFrom");
    QTest::addColumn<qint64>("failAfter");
    const qint64 whole = PublicSubs::kSplitFrom;
    const QString io = QStringLiteral("Input/output error");
    QTest::newRow("missing") << QString() << 0 << "No such file or directory" << whole << 0ll;
    QTest::newRow("no permission")
        << "Permission denied" << 0 << "Permission denied" << whole << 0ll;
    QTest::newRow("read error while counting") << QString() << 1 << io << whole << 12ll;
    QTest::newRow("read error while checking") << QString() << 2 << io << whole << 12ll;
    // Read in stretches of about 10 bytes: opens 1 and 2 count, 3 and 4
    // check. Open 1 and 3 read the first stretch, 2 and 4 first find where
    // the stretches start; the other stretches go to whichever is free.
    QTest::newRow("stretches: second channel fails while counting")
        << QString() << 2 << io << 2ll << 0ll;
    QTest::newRow("stretches: first stretch fails while checking")
        << QString() << 3 << io << 2ll << 5ll;
    QTest::newRow("stretches: second channel fails while checking")
        << QString() << 4 << io << 2ll << 0ll;
  }

  void unreadableScripts() {
    QFETCH(QString, openFailure);
    QFETCH(int, readFailureOnOpen);
    QFETCH(QString, reason);
    QFETCH(qint64, splitFrom);
    QFETCH(qint64, failAfter);
    Rig rig;
    rig.engine.setSplitFrom(splitFrom);
    rig.scan(QStringLiteral("/first.csm"), "a=\"zmod\"\r\n");
    const PublicSubs& e = rig.engine;
    const auto before =
        std::tuple(rig.window.report, e.AlertCount, e.ScriptLineCount, e.LineNumber);

    const QString bad = QStringLiteral("/scripts/bad.csm");
    if (readFailureOnOpen > 0) {
      rig.fs.add(bad, "b=\"isoa\"\r\nc=\"zmod\"\r\nd\r\n");
      rig.fs.setReadSize(8);
      rig.fs.failReads(bad, failAfter, readFailureOnOpen);
    }
    if (!openFailure.isEmpty()) rig.fs.failOpen(bad, openFailure);
    QCOMPARE(rig.scan(bad), PublicSubs::ScanOutcome::Failed);
    QCOMPARE(rig.window.status, "File " + bad + " Selected\rCould not read the file");
    QCOMPARE(rig.window.messageBoxes.size(), 1);
    QCOMPARE(rig.window.messageBoxes[0].text, "Cannot read " + bad + ": " + reason);
    QCOMPARE(rig.window.messageBoxes[0].title, QStringLiteral("Scan Failed"));
    QCOMPARE(std::tuple(rig.window.report, e.AlertCount, e.ScriptLineCount, e.LineNumber), before);
    QVERIFY(!rig.engine.FileNumber1.isOpen());
  }

  // Files that tell their identity and files that cannot: a script that
  // changed since it was counted is read again either way.
  void scriptThatShrinksEndsAtItsEnd_data() { identityRows(); }
  void scriptThatShrinksEndsAtItsEnd() {
    QFETCH(bool, identities);
    Rig rig;
    rig.fs.setIdentities(identities);
    rig.fs.add(kScript, "a=\"zmod\"\r\nb=\"isoa\"\r\nc=\"ownr\"\r\n");
    rig.fs.replaceAtOpen(kScript, 2, "a=\"zmod\"\r\nb=\"isoa\"");
    QCOMPARE(rig.scan(kScript), PublicSubs::ScanOutcome::Completed);
    QCOMPARE(rig.engine.ScriptLineCount, 3);
    QCOMPARE(rig.engine.AlertCount, 2);
    QCOMPARE(rig.engine.LineNumber, 3);
    QCOMPARE(rig.window.status, "File " + kScript + " Selected\r2 Alerts. ");
  }

  void scriptThatGrowsIsReadToItsCount_data() { identityRows(); }
  void scriptThatGrowsIsReadToItsCount() {
    QFETCH(bool, identities);
    Rig rig;
    rig.fs.setIdentities(identities);
    rig.fs.add(kScript, "a=\"zmod\"\r\n");
    rig.fs.replaceAtOpen(kScript, 2, "a=\"zmod\"\r\nb=\"isoa\"\r\n");
    rig.scan(kScript);
    QCOMPARE(rig.engine.AlertCount, 1);
  }

  // Read in stretches, a script that changed since it was counted still
  // gives what reading it in one piece up to its count gives.
  void stretchesOfAScriptThatChanged_data() {
    QTest::addColumn<QByteArray>("counted");
    QTest::addColumn<QByteArray>("checked");
    QTest::addColumn<QString>("report");
    QTest::addColumn<qint64>("lineNumber");
    QTest::addColumn<bool>("identities");
    const QByteArray three = "a=\"zmod\"\r\nb=\"isoa\"\r\nc=\"ownr\"\r\n";
    for (const bool identities : {false, true}) {
      const char* const kind = identities ? "identities" : "no identities";
      QTest::addRow("grew, %s", kind)
          << three << three + "d=\"expo\"\r\ne=\"zmod\"\r\n"
          << "1 a=\"zmod\":  param row 1\r\n2 b=\"isoa\":  param row 2\r\n"
             "3 c=\"ownr\":  tag row 1"
          << 4ll << identities;
      QTest::addRow("shrank, %s", kind)
          << three + "d=\"expo\"\r\n"
          << three.left(20) << "1 a=\"zmod\":  param row 1\r\n2 b=\"isoa\":  param row 2" << 3ll
          << identities;
    }
  }

  void stretchesOfAScriptThatChanged() {
    QFETCH(QByteArray, counted);
    QFETCH(QByteArray, checked);
    QFETCH(QString, report);
    QFETCH(qint64, lineNumber);
    QFETCH(bool, identities);
    Rig rig;
    rig.fs.setIdentities(identities);
    rig.engine.setSplitFrom(2);
    rig.fs.add(kScript, counted);
    rig.fs.replaceAtOpen(kScript, 3, checked);
    QCOMPARE(rig.scan(kScript), PublicSubs::ScanOutcome::Completed);
    QCOMPARE(rig.window.report, report);
    QCOMPARE(rig.engine.LineNumber, lineNumber);
  }

  // A script found unchanged when it is opened for checking is not read a
  // second time: what the count's read found is reported, with the same
  // result as reading it again.
  void anUnchangedScriptIsReadOnce_data() {
    QTest::addColumn<qint64>("splitFrom");
    QTest::newRow("in one piece") << PublicSubs::kSplitFrom;
    QTest::newRow("in stretches") << qint64(1);
  }
  void anUnchangedScriptIsReadOnce() {
    QFETCH(qint64, splitFrom);
    QRandomGenerator random(7);
    QByteArray script;
    while (script.size() < 200000) script += randomScript(random) + "\r\n";
    Rig once;
    once.fs.setIdentities(true);
    once.engine.setSplitFrom(splitFrom);
    Rig twice;
    twice.engine.setSplitFrom(splitFrom);
    QCOMPARE(once.scan(kScript, script), PublicSubs::ScanOutcome::Completed);
    QCOMPARE(twice.scan(kScript, script), PublicSubs::ScanOutcome::Completed);
    QVERIFY(once.engine.AlertCount > 0);
    QCOMPARE(resultOf(once.engine, once.window.report),
             resultOf(twice.engine, twice.window.report));
    QCOMPARE(once.engine.ScriptLineCount, twice.engine.ScriptLineCount);
    QCOMPARE(once.window.statusHistory, twice.window.statusHistory);
    // Reading in stretches reads a few kilobytes more per stretch, to find
    // where it starts; reading again would read it all twice.
    QVERIFY2(once.fs.bytesRead(kScript) < script.size() * 7 / 4,
             qPrintable(QString::number(once.fs.bytesRead(kScript))));
    QVERIFY(twice.fs.bytesRead(kScript) >= 2 * script.size());
  }

  void scriptsPastSixteenBits_data() {
    QTest::addColumn<int>("lines");
    QTest::addColumn<int>("alertEvery");
    QTest::newRow("40,000 lines") << 40000 << 1000;
    QTest::newRow("70,000 alerts") << 70000 << 1;
  }

  void scriptsPastSixteenBits() {
    QFETCH(int, lines);
    QFETCH(int, alertEvery);
    QByteArray script;
    for (int i = 1; i <= lines; ++i) {
      script += i % alertEvery == 0 ? "SetCameraState(\"zmod\", 1)\r\n" : "wait(1)\r\n";
    }
    Rig rig;
    QCOMPARE(rig.scan(kScript, script), PublicSubs::ScanOutcome::Completed);
    const qint64 alerts = lines / alertEvery;
    QCOMPARE(rig.engine.ScriptLineCount, lines);
    QCOMPARE(rig.engine.AlertCount, alerts);
    QCOMPARE(rig.window.status,
             QStringLiteral("File %1 Selected\r%2 Alerts. ").arg(kScript).arg(alerts));
    QCOMPARE(rig.window.report.count(QStringLiteral("\r\n")), alerts - 1);
    QVERIFY(rig.window.report.endsWith(
        QStringLiteral("%1 SetCameraState(\"zmod\",1):  param row 1").arg(lines)));
  }

  // The scan's fast path (bytes, lazy line state) must leave exactly what
  // the plain procedures leave, on scripts with every kind of line.
  void scanMatchesTheProcedures() {
    QRandomGenerator random(99);
    for (int round = 0; round < 6000; ++round) {
      const QByteArray script = randomScript(random);
      // Every other round the tables hold codes with quotation marks, spaces,
      // a VT or a character outside ASCII in them.
      const bool oddCodes = round % 2 == 1;
      const ReferenceTables tables =
          oddCodes
              ? makeTables({"z\"od", "zmod", "\"\"\"\"", "\xc3\xa9xmo"}, {"ab c", "ex\"o", "\vxmo"})
              : makeTables({"zmod", "isoa"}, {"ownr", "expo"});
      Rig fast;
      fast.engine.Tables = tables;
      fast.fs.setReadSize(1 + random.bounded(64));
      // Half the rounds take the checked lines from the count's read.
      fast.fs.setIdentities(round % 4 >= 2);
      // Most rounds read the script in stretches, split from any size.
      if (round % 4 != 0) fast.engine.setSplitFrom(1 + random.bounded(script.size() + 1));
      fast.scan(kScript, script);
      Rig plain;
      plain.engine.Tables = tables;
      plain.fs.add(kScript, script);
      const Result expected = scanWithTheProcedures(plain.engine, kScript);
      const Result got = resultOf(fast.engine, fast.window.report);
      if (!(got == expected)) {
        QCOMPARE(got.report, expected.report);
        QCOMPARE(got.rawLine, expected.rawLine);
        QCOMPARE(got.statement, expected.statement);
        QFAIL(qPrintable("scan state differs for script: " +
                         QString::fromLatin1(script.toPercentEncoding())));
      }
    }
  }
};

QTEST_GUILESS_MAIN(ScanDriverTest)
#include "test_scan_driver.moc"
