// Silencing alerts: directives in scripts' comments, a baseline, and the
// project file, through the built vornel-scan.

#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTest>

#include "RunScan.h"

namespace {

// "<line>:<code>" for each alert of a gcc report, in order.
QStringList reported(const QByteArray& gcc) {
  QStringList alerts;
  for (const QByteArray& line : gcc.split('\n')) {
    if (line.isEmpty()) continue;
    const QByteArray number = line.split(':').value(1);
    alerts.append(QString::fromUtf8(number + ':' + line.mid(line.lastIndexOf('[') + 1).chopped(1)));
  }
  return alerts;
}

}  // namespace

class SilencingTest : public QObject {
  Q_OBJECT

 private:
  QTemporaryDir dir_;
  QString at(const QString& name) const { return dir_.filePath(name); }
  ScanRunResult scan(const QStringList& arguments, const QString& folder = {}) const {
    return runScan(QStringList{"--tables", at("tables")} + arguments,
                   folder.isEmpty() ? dir_.path() : folder);
  }

 private slots:
  void initTestCase() {
    QVERIFY(dir_.isValid());
    QVERIFY(writeFile(at("tables/tags.txt"), "\"ownr\",\"Owner tag\",none\r\n"));
    QVERIFY(writeFile(at("tables/param.txt"),
                      "\"zmod\",\"Zoom mode\",range\r\n\"isoa\",\"Auto ISO\",note\r\n"));
  }

  // Which alerts a script's directives leave.
  void directives_data() {
    QTest::addColumn<QByteArray>("script");
    QTest::addColumn<QStringList>("left");
    const QByteArray two = "x = \"zmod\"\r\ny = \"isoa\"\r\n";
    QTest::newRow("none") << two << QStringList{"1:zmod", "2:isoa"};
    QTest::newRow("this line")
        << QByteArray("x = \"zmod\" # vornel-scan: disable=zmod\r\ny = \"isoa\"\r\n")
        << QStringList{"2:isoa"};
    QTest::newRow("the next line")
        << QByteArray("# vornel-scan: disable-next-line=isoa\r\nx = \"isoa\"\r\ny = \"isoa\"\r\n")
        << QStringList{"3:isoa"};
    QTest::newRow("the whole file, from its end")
        << two + "# vornel-scan: disable-file=isoa,zmod -- generated\r\n"
        << QStringList{};
    QTest::newRow("only the codes named")
        << QByteArray("x = \"zmod\" + \"isoa\" # vornel-scan: disable=isoa\r\n")
        << QStringList{"1:zmod"};
    QTest::newRow("a space before the colon is no directive")
        << QByteArray("x = \"zmod\" #\tvornel-scan :  disable=zmod\r\n") << QStringList{"1:zmod"};
    QTest::newRow("spaces and tabs where they may stand")
        << QByteArray("x = \"zmod\" + \"isoa\" #\tvornel-scan:  disable =  zmod ,\tisoa \r\n")
        << QStringList{};
    QTest::newRow("upper case is no directive")
        << QByteArray("x = \"zmod\" # VORNEL-SCAN: DISABLE=zmod\r\n") << QStringList{"1:zmod"};
    QTest::newRow("codes are compared exactly")
        << QByteArray("x = \"zmod\" # vornel-scan: disable=ZMOD\r\n") << QStringList{"1:zmod"};
    QTest::newRow("an empty list silences nothing")
        << QByteArray("x = \"zmod\" # vornel-scan: disable=\r\n")
        << QStringList{"1:not-a-directive", "1:zmod"};
    QTest::newRow("inside quotation marks it is a comment all the same")
        << QByteArray("x = \"zmod\" + \"# vornel-scan: disable=zmod -- quoted\"\r\n")
        << QStringList{};
    QTest::newRow("the closing quotation mark belongs to the last code")
        << QByteArray("x = \"zmod\" + \"# vornel-scan: disable=zmod\"\r\n")
        << QStringList{"1:zmod"};
    QTest::newRow("after a first comment")
        << QByteArray("x = \"zmod\" # zoom # vornel-scan: disable=zmod\r\n") << QStringList{};
    QTest::newRow("a directive applies to its own line only")
        << QByteArray("# vornel-scan: disable=zmod\r\nx = \"zmod\"\r\n") << QStringList{"2:zmod"};
  }

  void directives() {
    QFETCH(QByteArray, script);
    QFETCH(QStringList, left);
    QVERIFY(writeFile(at("d.csm"), script));
    QCOMPARE(reported(scan({"--format", "gcc", "d.csm"}).out), left);
    // With --no-inline-config every alert stays.
    QCOMPARE(reported(scan({"--format", "gcc", "--no-inline-config", "d.csm"}).out),
             reported(scan({"--format", "gcc", "--no-config", "--no-inline-config", "d.csm"}).out));
    const qsizetype alerts = left.size() - left.count(QStringLiteral("1:not-a-directive"));
    QVERIFY(reported(scan({"--format", "gcc", "--no-inline-config", "d.csm"}).out).size() >=
            alerts + (alerts == 0 ? 1 : 0));
  }

  // Directives that silence nothing, name unknown codes or are not well
  // formed, and silenced alerts in the summary and the statistics.
  void reportingSilencedAlerts() {
    QVERIFY(writeFile(at("r.csm"),
                      "x = \"zmod\" # vornel-scan: disable=zmod,isoa,qqqq -- checked\r\n"
                      "# vornel-scan: enable=zmod\r\n"));
    // The classic report is the desktop program's: they are told on stderr.
    QVERIFY(writeFile(at("clean.csm"), ""));
    ScanRunResult run = scan({"--format", "classic", "r.csm", "clean.csm"});
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(run.err, QStringLiteral("vornel-scan: r.csm:2:1: not a directive: unknown directive "
                                     "'enable'\n0 alerts in 0 of 2 scripts; 1 silenced\n"));
    run = scan({"--format", "classic", "--report-unused-disables", "r.csm"});
    QCOMPARE(run.exitCode, 1);
    QVERIFY(run.err.contains("r.csm:1:12: warning: directive silences no 'isoa' alert\n"));
    QVERIFY(
        run.err.contains("r.csm:1:12: warning: directive names 'qqqq', which no table lists\n"));
    // Every other format carries them in the report.
    run = scan({"--format", "gcc", "--report-unused-disables", "r.csm"});
    QCOMPARE(run.exitCode, 1);
    QCOMPARE(run.out, QByteArray("r.csm:1:12: warning: directive silences no 'isoa' alert "
                                 "[unused-disable]\n"
                                 "r.csm:1:12: warning: directive names 'qqqq', which no table "
                                 "lists [unknown-code]\n"
                                 "r.csm:2:1: warning: not a directive: unknown directive 'enable' "
                                 "[not-a-directive]\n"));
    run = scan({"--format", "json", "r.csm"});
    const QJsonObject alert =
        QJsonDocument::fromJson(run.out)["scripts"][0]["alerts"][0].toObject();
    QCOMPARE(alert["silenced"].toString(), QStringLiteral("inSource"));
    QCOMPARE(alert["reason"].toString(), QStringLiteral("checked"));
    QVERIFY(writeFile(at("plain.csm"), "x = \"zmod\"\r\n"));
    run = scan({"--statistics", "--quiet", "r.csm", "plain.csm"});
    QVERIFY2(run.err.contains("params/zmod   Zoom mode (and 1 silenced)"), qPrintable(run.err));
  }

  // A disable-file directive after more alerts than are held silences
  // them all the same: the script is searched for it first.
  void aLateFileDirectiveAfterManyAlerts() {
    QByteArray script;
    for (int i = 0; i < 120000; ++i) script += "x = \"zmod\"\r\n";
    script += "# vornel-scan: disable-file=zmod\r\n";
    QVERIFY(writeFile(at("many.csm"), script));
    const ScanRunResult run = scan({"--format", "gcc", "many.csm"});
    QCOMPARE(run.out, QByteArray());
    QCOMPARE(run.err, QStringLiteral("0 alerts in 0 of 1 script; 120000 silenced\n"));
    // Found by that search, a directive still has its own line.
    QVERIFY(writeFile(at("many-unknown.csm"), script + "# vornel-scan: disable-file=qqqq\r\n"));
    const ScanRunResult unknown = scan({"--report-unused-disables", "many-unknown.csm"});
    QVERIFY2(unknown.err.startsWith("vornel-scan: many-unknown.csm:120002:1: warning: "),
             qPrintable(unknown.err));
    // A stream cannot be searched again: its alerts go on, and the late
    // directive is told of.
    ScanInvocation piped;
    piped.arguments = {"--tables", at("tables"), "--format", "gcc", "-"};
    piped.standardInput = script;
    const ScanRunResult streamed = runScan(piped);
    QCOMPARE(streamed.out.count('\n'), 120001);
    QVERIFY(streamed.out.endsWith("-:120001:1: warning: disable-file comes after "
                                  "more than 50000 alerts of a script read as a stream, which "
                                  "cannot be read again: it silences only the alerts after it "
                                  "[late-disable]\n"));
    QCOMPARE(streamed.err, QStringLiteral("120000 alerts in 1 of 1 script\n"));
    QCOMPARE(streamed.exitCode, 1);
  }

  // Old alerts recorded by path, code and statement: edits above them do
  // not bring them back, new ones are reported, and the file reads the same
  // from any folder, as on another machine.
  void baseline() {
    QVERIFY(writeFile(at("base/s/a.csm"), "x = \"zmod\"\r\nx = \"zmod\"\r\ny = \"isoa\"\r\n"));
    ScanRunResult run = scan({"--write-baseline", "base/known.json", "base/s"});
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(run.out, QByteArray());
    QCOMPARE(run.err, QStringLiteral("vornel-scan: recorded 3 alerts in base/known.json\n"));
    QFile file(at("base/known.json"));
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(),
             QByteArray("{\"version\": 1, \"alerts\": [\n"
                        "{\"path\": \"s/a.csm\", \"table\": \"params\", \"code\": \"isoa\", "
                        "\"statement\": \"y=\\\"isoa\\\"\", \"count\": 1},\n"
                        "{\"path\": \"s/a.csm\", \"table\": \"params\", \"code\": \"zmod\", "
                        "\"statement\": \"x=\\\"zmod\\\"\", \"count\": 2}\n]}\n"));
    QVERIFY(writeFile(at("base/s/a.csm"),
                      "wait(1)\r\n\r\nx = \"zmod\"\r\ny = \"isoa\"\r\n"
                      "x = \"zmod\"\r\nx = \"zmod\"\r\nz = \"zmod\"\r\n"));
    run = scan({"--format", "gcc", "--baseline", at("base/known.json"), "s"}, at("base"));
    QCOMPARE(reported(run.out), (QStringList{"6:zmod", "7:zmod"}));
    QCOMPARE(run.exitCode, 1);
  }

  void damagedBaselines_data() {
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("error");
    QTest::newRow("not JSON") << QByteArray("{\"version\": 1, \"alerts\": [") << "not a baseline:";
    QTest::newRow("empty") << QByteArray() << "not a baseline:";
    QTest::newRow("another version")
        << QByteArray("{\"version\": 2, \"alerts\": []}") << "not a baseline of this program";
    QTest::newRow("an entry without a count")
        << QByteArray(
               "{\"version\": 1, \"alerts\": [{\"path\": \"a\", \"table\": \"tags\", "
               "\"code\": \"ownr\", \"statement\": \"s\"}]}")
        << "entry 1 is not an alert";
    QTest::newRow("a count of 2^54")
        << QByteArray(
               "{\"version\": 1, \"alerts\": [{\"path\": \"a\", \"table\": \"tags\", "
               "\"code\": \"ownr\", \"statement\": \"s\", \"count\": 18014398509481984}]}")
        << "entry 1 is not an alert";
  }

  // Counts of one alert add up without overflowing, however many entries
  // name it.
  void hugeBaselineCounts() {
    QByteArray entries;
    for (int i = 0; i < 1100; ++i) {
      entries += QByteArray(i ? "," : "") +
                 "{\"path\": \"plain.csm\", \"table\": \"params\", \"code\": \"zmod\", "
                 "\"statement\": \"x=\\\"zmod\\\"\", \"count\": 9007199254740992}";
    }
    QVERIFY(writeFile(at("huge.json"), "{\"version\": 1, \"alerts\": [" + entries + "]}"));
    QVERIFY(writeFile(at("plain.csm"), "x = \"zmod\"\r\n"));
    const ScanRunResult run = scan({"--baseline", "huge.json", "plain.csm"});
    QVERIFY2(run.exitCode == 0, qPrintable(run.err));
    QCOMPARE(run.out, QByteArray());
  }

  void damagedBaselines() {
    QFETCH(QByteArray, content);
    QFETCH(QString, error);
    QVERIFY(writeFile(at("damaged.json"), content));
    const ScanRunResult run = scan({"--baseline", "damaged.json", "plain.csm"});
    QCOMPARE(run.exitCode, 2);
    QVERIFY2(run.err.startsWith("vornel-scan: damaged.json: " + error), qPrintable(run.err));
    QCOMPARE(run.out, QByteArray());
  }

  // The project file of the working folder or above it, no higher than a
  // repository's top; the command line wins over it.
  void projectFile() {
    QVERIFY(writeFile(at("repo/.git/HEAD"), "ref: refs/heads/main\n"));
    QVERIFY(writeFile(at("repo/.vornel-scan"),
                      "# settings\r\ntables = ../tables\r\nformat = gcc\r\n"
                      "exclude = gen\r\ndisable = isoa   # never wanted\r\n"));
    QVERIFY(writeFile(at("repo/sub/a.csm"), "x = \"zmod\"\r\ny = \"isoa\"\r\n"));
    QVERIFY(writeFile(at("repo/sub/gen/b.csm"), "x = \"zmod\"\r\n"));
    ScanInvocation how;
    how.arguments = {"."};
    how.workingFolder = at("repo/sub");
    QCOMPARE(runScan(how).out, QByteArray("./a.csm:1:5: warning: Zoom mode [zmod]\n"));
    how.arguments = {"--format", "classic", "--exclude", "none", "."};
    QCOMPARE(
        runScan(how).out,
        QByteArray("./a.csm:1 x=\"zmod\":  Zoom mode\n./gen/b.csm:1 x=\"zmod\":  Zoom mode\n"));
    how.arguments = {"--no-config", "--tables", at("tables"), "--format", "gcc", "a.csm"};
    QCOMPARE(reported(runScan(how).out), (QStringList{"1:zmod", "2:isoa"}));
    // --config names the file wherever it is.
    how.workingFolder = dir_.path();
    how.arguments = {"--config", at("repo/.vornel-scan"), at("repo/sub/a.csm")};
    QCOMPARE(reported(runScan(how).out), QStringList{"1:zmod"});
    // Above a repository's top nothing is looked for.
    QVERIFY(writeFile(at("other/.git/HEAD"), "ref: refs/heads/main\n"));
    QVERIFY(writeFile(at("other/a.csm"), "x = \"zmod\"\r\n"));
    QVERIFY(writeFile(at(".vornel-scan"), "format = json\r\n"));
    QCOMPARE(scan({"a.csm"}, at("other")).out, QByteArray("1 x=\"zmod\":  Zoom mode\n"));
    QVERIFY(QFile::remove(at(".vornel-scan")));
  }

  void badProjectFiles_data() {
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("error");
    QTest::newRow("unknown key") << QByteArray("format = gcc\nspeed = fast\n")
                                 << ":2: unknown key 'speed' (known: tables, exclude, format, "
                                    "disable, baseline)";
    QTest::newRow("no equals") << QByteArray("gcc\n") << ":1: expected key = value";
    QTest::newRow("no value") << QByteArray("tables =\n") << ":1: 'tables' needs a value";
    QTest::newRow("unknown format") << QByteArray("format = xml\n") << ":1: unknown format 'xml'";
  }

  void badProjectFiles() {
    QFETCH(QByteArray, content);
    QFETCH(QString, error);
    QVERIFY(writeFile(at("bad/.vornel-scan"), content));
    const ScanRunResult run = scan({"plain.csm"}, at("bad"));
    QCOMPARE(run.exitCode, 2);
    QCOMPARE(run.err, "vornel-scan: " + at("bad/.vornel-scan") + error + "\n");
    QCOMPARE(scan({"--no-config", at("r.csm")}, at("bad")).exitCode, 0);
  }
};

QTEST_GUILESS_MAIN(SilencingTest)
#include "test_silencing.moc"
