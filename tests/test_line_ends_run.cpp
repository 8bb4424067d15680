// The line-ends setting and rule through the built vornel-scan: the option
// and the project key, a run's exit status in every format, and the project
// file and the baseline silencing the rule. Where a lone LF is found and
// what any reads is tested in-process, in test_line_ends.

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include "RunScan.h"

namespace {

// A script whose lines end in LF alone, and one whose first line ends in
// CR LF and whose others end in LF alone: read as CR LF lines end, its
// second line's comment runs to its end.
const QByteArray kLfScript = "# zoom\nx = \"zmod\"\ny = \"isoa\"\n";
const QByteArray kMixedScript = "x = 1\r\n" + kLfScript;
const QString kJoined = QStringLiteral("2 lines were joined");

}  // namespace

class LineEndsRunTest : public QObject {
  Q_OBJECT

 private:
  QTemporaryDir dir_;
  QString at(const QString& name) const { return dir_.filePath(name); }
  ScanRunResult scan(const QStringList& arguments) const {
    return runScan(QStringList{"--tables", at("tables")} + arguments, dir_.path());
  }

 private slots:
  void initTestCase() {
    QVERIFY(dir_.isValid());
    QVERIFY(writeFile(at("tables/tags.txt"), "\"ownr\",\"Owner tag\",none\r\n"));
    QVERIFY(writeFile(at("tables/param.txt"),
                      "\"zmod\",\"Zoom mode\",range\r\n\"isoa\",\"Auto ISO\",note\r\n"));
    QVERIFY(writeFile(at("lf.csm"), kLfScript));
    QVERIFY(writeFile(at("mixed.csm"), kMixedScript));
    QVERIFY(writeFile(at("crlf.csm"), QByteArray(kLfScript).replace("\n", "\r\n")));
    QVERIFY(writeFile(at("any.vornel"), "line-ends = any\n"));
    QVERIFY(writeFile(at("crlf.vornel"), "line-ends = crlf\n"));
    QVERIFY(writeFile(at("auto.vornel"), "line-ends = auto\n"));
    QVERIFY(writeFile(at("off.vornel"), "disable = line-ends\n"));
  }

  // What a run reports and its exit status. `out` is looked for in the
  // report, `err` on standard error; `absent` in neither.
  void aRun_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("out");
    QTest::addColumn<QString>("err");
    QTest::addColumn<QString>("absent");
    const QString gccLine = "mixed.csm:2:7: warning: a line ends in LF alone";
    QTest::newRow("gcc") << QStringList{"--format", "gcc", "mixed.csm"} << 1 << gccLine << ""
                         << "zmod";
    QTest::newRow("github") << QStringList{"--format", "github", "mixed.csm"} << 1
                            << "::warning file=mixed.csm,line=2,col=7,endColumn=8,title=line-ends::"
                            << ""
                            << "zmod";
    QTest::newRow("gitlab") << QStringList{"--format", "gitlab", "mixed.csm"} << 1
                            << "\"check_name\":\"line-ends\""
                            << ""
                            << "zmod";
    QTest::newRow("json") << QStringList{"--format", "json", "mixed.csm"} << 1
                          << "\"line\":2,\"column\":7,\"endColumn\":8,\"rule\":\"line-ends\""
                          << ""
                          << "zmod";
    QTest::newRow("sarif") << QStringList{"--format", "sarif", "mixed.csm"} << 1
                           << "{\"ruleId\":\"line-ends\",\"level\":\"warning\""
                           << ""
                           << "zmod";
    QTest::newRow("classic, on standard error")
        << QStringList{"--format", "classic", "mixed.csm", "crlf.csm"} << 1 << ""
        << "vornel-scan: mixed.csm:2:7: warning: a line ends in LF alone"
        << "";
    QTest::newRow("the count") << QStringList{"--format", "gcc", "mixed.csm"} << 1 << kJoined << ""
                               << "";
    QTest::newRow("the summary counts table alerts and the scripts apart")
        << QStringList{"--format", "gcc", "mixed.csm", "crlf.csm"} << 1 << ""
        << "2 alerts in 1 of 2 scripts; 1 script with lines joined"
        << "";
    QTest::newRow("a LF script reads by its LF")
        << QStringList{"--format", "gcc", "lf.csm"} << 1 << "lf.csm:3:5: warning: Auto ISO [isoa]"
        << ""
        << "line-ends";
    QTest::newRow("a CR LF script") << QStringList{"--format", "gcc", "crlf.csm"} << 1
                                    << "crlf.csm:2:5: warning: Zoom mode [zmod]"
                                    << ""
                                    << "line-ends";
    QTest::newRow("--line-ends any")
        << QStringList{"--format", "gcc", "--line-ends", "any", "mixed.csm"} << 1
        << "mixed.csm:4:5: warning: Auto ISO [isoa]"
        << ""
        << "line-ends";
    QTest::newRow("--line-ends=any")
        << QStringList{"--format", "gcc", "--line-ends=any", "mixed.csm"} << 1
        << "mixed.csm:3:5: warning: Zoom mode [zmod]"
        << ""
        << "line-ends";
    QTest::newRow("the project's line-ends = any")
        << QStringList{"--format", "gcc", "--config", "any.vornel", "mixed.csm"} << 1
        << "mixed.csm:3:5: warning: Zoom mode [zmod]"
        << ""
        << "line-ends";
    QTest::newRow("the option beats the project")
        << QStringList{"--format",    "gcc",  "--config", "any.vornel",
                       "--line-ends", "crlf", "mixed.csm"}
        << 1 << gccLine << ""
        << "zmod";
    QTest::newRow("line-ends = crlf, a LF script")
        << QStringList{"--format", "gcc", "--config", "crlf.vornel", "lf.csm"} << 1
        << "lf.csm:1:7: warning: a line ends in LF alone"
        << ""
        << "zmod";
    QTest::newRow("--line-ends auto beats the project's crlf")
        << QStringList{"--format",    "gcc",  "--config", "crlf.vornel",
                       "--line-ends", "auto", "lf.csm"}
        << 1 << "lf.csm:2:5: warning: Zoom mode [zmod]"
        << ""
        << "line-ends";
    QTest::newRow("line-ends = auto, a mixed script")
        << QStringList{"--format", "gcc", "--config", "auto.vornel", "mixed.csm"} << 1 << gccLine
        << ""
        << "zmod";
    QTest::newRow("the project disables the rule")
        << QStringList{"--format", "gcc", "--config", "off.vornel", "mixed.csm"} << 0 << ""
        << "0 alerts in 0 of 1 script; 1 silenced"
        << "LF alone";
    QTest::newRow("--exit-zero") << QStringList{"--format", "gcc", "--exit-zero", "mixed.csm"} << 0
                                 << gccLine << ""
                                 << "";
    QTest::newRow("a bad value") << QStringList{"--line-ends", "lf", "lf.csm"} << 2 << ""
                                 << "vornel-scan: --line-ends takes auto, crlf or any, not 'lf'"
                                 << "";
  }

  void aRun() {
    QFETCH(QStringList, arguments);
    QFETCH(int, status);
    QFETCH(QString, out);
    QFETCH(QString, err);
    QFETCH(QString, absent);
    const ScanRunResult run = scan(arguments);
    const QString report = QString::fromUtf8(run.out);
    QVERIFY2(run.exitCode == status, qPrintable(QString::number(run.exitCode) + ' ' + run.err));
    QVERIFY2(report.contains(out), qPrintable(report));
    QVERIFY2(run.err.contains(err), qPrintable(run.err));
    if (!absent.isEmpty()) {
      QVERIFY2(!report.contains(absent), qPrintable(report));
      QVERIFY2(!run.err.contains(absent), qPrintable(run.err));
    }
  }

  // A baseline records the script's line ends by path and rule, and a run
  // with it is clean until another script's lines end in LF.
  void baseline() {
    QVERIFY(writeFile(at("base/lf.csm"), "z = \"zmod\"\r\n" + kLfScript));
    ScanRunResult run = scan({"--write-baseline", "known.json", "base"});
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(run.err, QStringLiteral("vornel-scan: recorded 2 alerts in known.json\n"));
    QFile file(at("known.json"));
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(),
             QByteArray("{\"version\": 1, \"alerts\": [\n"
                        "{\"path\": \"base/lf.csm\", \"table\": \"params\", \"code\": \"zmod\", "
                        "\"statement\": \"z=\\\"zmod\\\"\", \"count\": 1},\n"
                        "{\"path\": \"base/lf.csm\", \"rule\": \"line-ends\", \"count\": 1, "
                        "\"joined\": 2, \"joinedAlerts\": [{\"table\": \"params\", \"code\": "
                        "\"isoa\", \"statement\": \"y=\\\"isoa\\\"\", \"count\": 1}, {\"table\": "
                        "\"params\", \"code\": \"zmod\", \"statement\": \"x=\\\"zmod\\\"\", "
                        "\"count\": 1}]}\n"
                        "]}\n"));
    run = scan({"--format", "gcc", "--baseline", "known.json", "base"});
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(run.out, QByteArray());
    QVERIFY(writeFile(at("base/new.csm"), "a\r\nb\nc\n"));
    run = scan({"--format", "gcc", "--baseline", "known.json", "base"});
    QCOMPARE(run.exitCode, 1);
    QVERIFY2(run.out.startsWith("base/new.csm:2:2: warning: a line ends in LF alone"),
             run.out.constData());
    QVERIFY2(!run.out.contains("base/lf.csm"), run.out.constData());
  }

  // A recorded line-ends warning is silenced only while the joined lines,
  // read with LF line ends, give no alert it was not recorded with: the
  // joining hides alerts, and the baseline must not hide them too.
  void baselineAndJoinedLines_data() {
    QTest::addColumn<QByteArray>("recorded");  // the script written into the baseline
    QTest::addColumn<QByteArray>("entry");     // or a baseline entry written by hand
    QTest::addColumn<QByteArray>("checked");
    QTest::addColumn<bool>("stream");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("told");  // in the gcc report; empty: nothing
    const QByteArray note = "x = 1\r\n# note\n";
    const QByteArray zoom = note + "SetCameraState(\"zmod\",1)\r\n";
    const QByteArray iso = note + "SetCameraState(\"isoa\",1)\r\n";
    const QByteArray plain = note + "x = 2\r\n";
    const QByteArray oldEntry = R"({"path": "s/shot.csm", "rule": "line-ends", "count": 1})";
    const QString beyond = "; the baseline records this warning";
    const QString hidden =
        ", but not the 1 alert that the joined lines give when read with LF line ends ";
    QTest::newRow("an alert the joined lines hide")
        << plain << QByteArray() << zoom << false << 1 << beyond + hidden + "(params/zmod)";
    QTest::newRow("the same script") << plain << QByteArray() << plain << false << 0 << "";
    QTest::newRow("the alert it was recorded with")
        << zoom << QByteArray() << zoom << false << 0 << "";
    QTest::newRow("another alert")
        << zoom << QByteArray() << iso << false << 1 << beyond + hidden + "(params/isoa)";
    QTest::newRow("one alert more")
        << zoom + "# more\n# again\r\n"
        << QByteArray() << zoom + "# more\nSetCameraState(\"isoa\",1)\r\n"
        << false << 1 << beyond + hidden + "(params/isoa)";
    QTest::newRow("fewer alerts") << zoom << QByteArray() << plain << false << 0 << "";
    QTest::newRow("more lines joined")
        << plain << QByteArray() << plain + "# more\n# again\r\n"
        << false << 1 << beyond + " with 1 line joined, not 2 [line-ends]";
    QTest::newRow("an alert outside the joined lines")
        << plain << QByteArray() << plain + "y = \"isoa\"\r\n"
        << false << 1 << "s/shot.csm:3:5: warning: Auto ISO [isoa]\n";
    QTest::newRow("an entry without joined lines, none giving alerts")
        << QByteArray() << oldEntry << plain + "# more\n"
        << false << 0 << "";
    QTest::newRow("an entry without joined lines, and an alert in them")
        << QByteArray() << oldEntry << zoom << false << 1 << beyond + hidden + "(params/zmod)";
    QTest::newRow("an entry with counts at their limit")
        << QByteArray()
        << oldEntry.chopped(1) +
               ", \"joined\": 9007199254740992, \"joinedAlerts\": [{\"table\": \"params\", "
               "\"code\": \"zmod\", \"statement\": \"SetCameraState(\\\"zmod\\\",1)\", "
               "\"count\": 9007199254740992}]}"
        << zoom << false << 0 << "";
    QTest::newRow("a stream") << plain << QByteArray() << plain << true << 1
                              << beyond +
                                     ", but a script read as a stream cannot be read again for "
                                     "what its joined lines hold [line-ends]";
  }

  void baselineAndJoinedLines() {
    QFETCH(QByteArray, recorded);
    QFETCH(QByteArray, entry);
    QFETCH(QByteArray, checked);
    QFETCH(bool, stream);
    QFETCH(int, status);
    QFETCH(QString, told);
    const QString folder = at(QTest::currentDataTag());
    const QStringList options{"--no-config", "--tables", at("tables")};
    if (entry.isEmpty()) {
      QVERIFY(writeFile(folder + "/s/shot.csm", recorded));
      const ScanRunResult written =
          runScan(options + QStringList{"--write-baseline", "bl.json", "s"}, folder);
      QVERIFY2(written.exitCode == 0, qPrintable(written.err));
    } else {
      QVERIFY(writeFile(folder + "/bl.json", "{\"version\": 1, \"alerts\": [" + entry + "]}"));
    }
    QVERIFY(writeFile(folder + "/s/shot.csm", checked));
    ScanInvocation how;
    how.arguments = options + QStringList{"--format", "gcc", "--baseline", "bl.json", "s"};
    if (stream) {
      how.arguments.last() = "-";
      how.arguments += QStringList{"--stdin-filename", "s/shot.csm"};
      how.standardInput = checked;
    }
    how.workingFolder = folder;
    const ScanRunResult run = runScan(how);
    QVERIFY2(run.exitCode == status, qPrintable(run.err));
    if (told.isEmpty()) QCOMPARE(run.out, QByteArray());
    QVERIFY2(QString::fromUtf8(run.out).contains(told), run.out.constData());
    // Only what the baseline does not hold is told of.
    QCOMPARE(run.out.count("LF alone"), told.contains("the baseline records") ? 1 : 0);
  }

  // What an entry of a baseline may not be, and what it is then told.
  void badBaselineEntries_data() {
    QTest::addColumn<QByteArray>("entry");
    QTest::addColumn<QString>("error");
    const QString notOne = "is not an alert";
    const QByteArray lineEnds = R"({"path": "a.csm", "rule": "line-ends", "count": 1, )";
    QTest::newRow("another rule") << QByteArray(
                                         "{\"path\": \"a.csm\", \"rule\": \"quote\", \"count\": 1}")
                                  << notOne;
    QTest::newRow("a rule and a table")
        << QByteArray(
               "{\"path\": \"a.csm\", \"rule\": \"line-ends\", \"table\": \"params\", "
               "\"code\": \"zmod\", \"statement\": \"\", \"count\": 1}")
        << notOne;
    QTest::newRow("a rule without a count")
        << QByteArray("{\"path\": \"a.csm\", \"rule\": \"line-ends\"}") << notOne;
    for (const char* fields :
         {R"("path": "a.csm", "rule": "line-ends", "count": 0)",
          R"("rule": "line-ends", "count": 1)", R"("path": "a.csm", "rule": 12, "count": 1)"})
      QTest::addRow("%s", fields) << '{' + QByteArray(fields) + '}' << notOne;
    // The fields of what the joined lines hold, each at its limit, one past
    // it, or of another type.
    const QString joined = "is a line-ends diagnostic whose joined is not a count from 1 to 2^53";
    const QString held =
        "is a line-ends diagnostic whose joinedAlerts is not a list of alerts with table, code, "
        "statement and a count from 1 to 2^53";
    const QByteArray alert = R"({"table": "params", "code": "zmod", "statement": "s")";
    const QByteArrayList fields{
        R"("joined": 0)",
        R"("joined": 9007199254740993)",
        R"("joined": "2")",
        R"("joinedAlerts": {})",
        R"("joinedAlerts": [)" + alert + R"(, "count": 0}])",
        R"("joinedAlerts": [)" + alert + "}]",
        R"("joinedAlerts": [)" + QByteArray(alert).replace("params", "x") + R"(, "count": 1}])"};
    for (const QByteArray& field : fields) {
      QTest::addRow("%s", field.constData())
          << lineEnds + field + '}' << (field.contains("Alerts") ? held : joined);
    }
  }

  void badBaselineEntries() {
    QFETCH(QByteArray, entry);
    QFETCH(QString, error);
    const QByteArray fine = R"({"path": "a.csm", "rule": "line-ends", "count": 1})";
    QVERIFY(
        writeFile(at("bad.json"), "{\"version\": 1, \"alerts\": [" + fine + ", " + entry + "]}\n"));
    const ScanRunResult run = scan({"--baseline", "bad.json", "crlf.csm"});
    QCOMPARE(run.exitCode, 2);
    QVERIFY2(run.err.startsWith("vornel-scan: bad.json: entry 2 " + error), qPrintable(run.err));
  }

  // The rule is explained as the others are.
  void explained() {
    const ScanRunResult run = scan({"--explain", "line-ends"});
    QCOMPARE(run.exitCode, 0);
    QVERIFY2(run.out.startsWith("line-ends: a line ends in LF alone in a script read with CR"),
             run.out.constData());
    QVERIFY(run.out.contains("'*.csm text eol=crlf'"));
    QVERIFY(run.out.contains("git add --renormalize ."));
    QVERIFY(run.out.contains("line-ends = any"));
  }

  void badProjectValue() {
    QVERIFY(writeFile(at("bad.vornel"), "# settings\nline-ends = lf\n"));
    const ScanRunResult run = scan({"--config", "bad.vornel", "crlf.csm"});
    QCOMPARE(run.exitCode, 2);
    QCOMPARE(run.err,
             QStringLiteral("vornel-scan: bad.vornel:2: line-ends takes auto, crlf or any, "
                            "not 'lf'\n"));
  }
};

QTEST_GUILESS_MAIN(LineEndsRunTest)
#include "test_line_ends_run.moc"
