// Silencing alerts through the built vornel-scan: what directives tell of
// in a run and its exit status, baseline and project files on disk, and the
// messages for damaged ones. What silences what is tested in-process, in
// test_script_check.

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
    QVERIFY(writeFile(at("r.csm"),
                      "x = \"zmod\" # vornel-scan: disable=zmod,isoa,qqqq -- checked\r\n"
                      "# vornel-scan: enable=zmod\r\n"));
    QVERIFY(writeFile(at("clean.csm"), ""));
    QVERIFY(writeFile(at("plain.csm"), "x = \"zmod\"\r\n"));
    QVERIFY(writeFile(at("nozmod.vornel"), "disable = zmod\r\n"));
    QVERIFY(writeFile(at("quiet.vornel"),
                      "disable = unused-disable, unknown-code, not-a-directive\r\n"));
  }

  // What directives tell of themselves goes to standard error, and fails a
  // run only when asked for and not disabled.
  void directivesInARun_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("told");  // on standard error
    QTest::newRow("told of, no failure")
        << QStringList{"--format", "classic", "r.csm", "clean.csm"} << 0
        << "vornel-scan: r.csm:2:1: not a directive: unknown directive 'enable'\n"
           "0 alerts in 0 of 2 scripts; 1 silenced\n";
    QTest::newRow("--report-unused-disables fails the run")
        << QStringList{"--format", "classic", "--report-unused-disables", "r.csm"} << 1
        << "r.csm:1:12: warning: directive silences no 'isoa' alert\n";
    QTest::newRow("unless the project disables what it reports")
        << QStringList{"--format", "gcc", "--config", "quiet.vornel", "--report-unused-disables",
                       "r.csm"}
        << 0 << "0 alerts in 0 of 1 script; 1 silenced\n";
    QTest::newRow("--no-inline-config brings the alert back")
        << QStringList{"--format", "gcc", "--no-inline-config", "r.csm"} << 1
        << "1 alert in 1 of 1 script\n";
    QTest::newRow("--statistics counts the silenced")
        << QStringList{"--statistics", "--quiet", "r.csm", "plain.csm"} << 1
        << "params/zmod   Zoom mode (and 1 silenced)";
    // A silenced row still matches scripts: the keeper must not drop it.
    QTest::newRow("--statistics: a row silenced by a directive is no dead row")
        << QStringList{"--statistics", "--quiet", "r.csm"} << 0
        << "      0        0  params/zmod   Zoom mode (and 1 silenced)\n"
           "2 rows that no script hit:\n";
    QTest::newRow("--statistics: nor one the project disables")
        << QStringList{"--statistics", "--quiet", "--config", "nozmod.vornel", "plain.csm"} << 0
        << "      0        0  params/zmod   Zoom mode (and 1 silenced)\n"
           "2 rows that no script hit:\n";
  }
  void directivesInARun() {
    QFETCH(QStringList, arguments);
    QFETCH(int, status);
    QFETCH(QString, told);
    const ScanRunResult run = scan(arguments);
    QCOMPARE(run.exitCode, status);
    QVERIFY2(run.err.contains(told), qPrintable(run.err));
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

  // The README's adoption as written: the project file set up first, with
  // its baseline not yet written, which a check does not pass over; that
  // baseline written, and written again over itself as alerts come and go;
  // --no-baseline shows every alert.
  void adoption() {
    QVERIFY(writeFile(at("adopt/.git/HEAD"), "ref: refs/heads/main\n"));
    QVERIFY(writeFile(at("adopt/.vornel-scan"),
                      "tables = ../tables\nbaseline = vornel-baseline.json\n"));
    QVERIFY(writeFile(at("adopt/s/a.csm"), "x = \"zmod\"\r\ny = \"isoa\"\r\n"));
    const auto run = [&](const QStringList& arguments) { return runScan(arguments, at("adopt")); };
    const QStringList write{"--write-baseline", "vornel-baseline.json", "."};
    ScanRunResult check = run({"."});
    QCOMPARE(check.err, "vornel-scan: " + at("adopt/vornel-baseline.json") +
                            ": No such file or directory (the baseline named by " +
                            at("adopt/.vornel-scan") +
                            "; --write-baseline writes it, --no-baseline checks without it)\n");
    QCOMPARE(check.exitCode, 2);
    for (const QByteArray& script : {QByteArray("x = \"zmod\"\r\ny = \"isoa\"\r\n"),
                                     QByteArray("y = \"isoa\"\r\nGetFileTag(\"ownr\")\r\n")}) {
      QVERIFY(writeFile(at("adopt/s/a.csm"), script));
      const ScanRunResult written = run(write);
      QCOMPARE(written.err,
               QStringLiteral("vornel-scan: recorded 2 alerts in vornel-baseline.json\n"));
      QCOMPARE(written.exitCode, 0);
      check = run({"--format", "gcc", "."});
      QCOMPARE(check.out, QByteArray());
      QCOMPARE(check.exitCode, 0);
    }
    check = run({"--format", "gcc", "--no-baseline", "."});
    QCOMPARE(reported(check.out), (QStringList{"1:isoa", "2:ownr"}));
    QCOMPARE(check.exitCode, 1);
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
    // Each field at its limit and one past it, or of another type: 1 and
    // 2^53 are counts (hugeBaselineCounts), and nothing else is.
    const auto entry = [](const QByteArray& fields) {
      return "{\"version\": 1, \"alerts\": [{\"path\": \"plain.csm\", \"table\": \"params\", "
             "\"code\": \"zmod\", \"statement\": \"x=\\\"zmod\\\"\", \"count\": 1}, {" +
             fields + "}]}";
    };
    QByteArrayList fields{
        R"("table": "tags", "code": "ownr", "statement": "s", "count": 1)",
        R"("path": 1, "table": "tags", "code": "ownr", "statement": "s", "count": 1)",
        R"("path": "a", "table": "tags", "code": 1, "statement": "s", "count": 1)",
        R"("path": "a", "table": "tags", "code": "ownr", "count": 1)",
        R"("path": "a", "table": "param", "code": "ownr", "statement": "s", "count": 1)"};
    for (const char* count :
         {"0", "-1", "9007199254740993", "18014398509481984", "1.5", "1e300", "\"1\"", "null"}) {
      fields += R"("path": "a", "table": "tags", "code": "ownr", "statement": "s", "count": )" +
                QByteArray(count);
    }
    for (const QByteArray& entered : fields)
      QTest::addRow("%s", entered.constData()) << entry(entered) << "entry 2 is not an alert";
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
    QCOMPARE(runScan(how).out, QByteArray("a.csm:1:5: warning: Zoom mode [zmod]\n"));
    how.arguments = {"--format", "classic", "--exclude", "none", "."};
    QCOMPARE(runScan(how).out,
             QByteArray("a.csm:1 x=\"zmod\":  Zoom mode\ngen/b.csm:1 x=\"zmod\":  Zoom mode\n"));
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

  // What is reported, as the project file and the command line choose it,
  // and whether it fails the run: the command line's --select replaces the
  // file's choice, --extend-select and --ignore change it.
  void selectAndIgnore_data() {
    QTest::addColumn<QByteArray>("project");
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("reported");  // gcc's "<line>:<code>"
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("warned");  // on standard error, after "vornel-scan: warning: "
    const auto row = [](const char* name, const QByteArray& project, const QStringList& arguments,
                        const QString& reported, int status = 1, const QString& warned = {}) {
      QTest::newRow(name) << project << arguments << reported << status << warned;
    };
    row("everything", "", {}, "1:zmod 2:ownr 3:isoa");
    row("a table", "select = tags/\n", {}, "2:ownr");
    row("disable is ignore", "disable = params/\n", {}, "2:ownr");
    row("--ignore adds to the file's", "ignore = zmod\n", {"--ignore", "tags/"}, "3:isoa");
    row("--select replaces the file's select and ignore", "select = tags/\nignore = zmod\n",
        {"--select", "zmod,isoa"}, "1:zmod 3:isoa");
    row("--extend-select adds to it", "select = tags/\n", {"--extend-select", "params/zmod"},
        "1:zmod 2:ownr");
    row("nothing left", "", {"--select", "tags/", "--ignore", "ownr"}, "", 0);
    row("info fails no run", "severity = params/:info\nignore = tags/\n", {}, "1:zmod 3:isoa", 0);
    row("an error fails it whatever the rule",
        "severity = params/:info, tags/:info, not-a-directive:error\n", {"dir.csm"},
        "1:not-a-directive 1:zmod", 1);
    row("a warning of it does not", "severity = params/:info\nselect=zmod,not-a-directive\n",
        {"dir.csm"}, "1:not-a-directive 1:zmod", 0);
    // A row the keeper removed must not stop the projects that ignored it.
    row("an ignored code no table lists", "ignore = zmod, qqqq\n", {"--ignore", "tags/qqqq"},
        "2:ownr 3:isoa", 1,
        ".vornel-scan:2: 'qqqq' is no rule and no table lists it (see --list-codes, and "
        "--explain RULE), passed over\n--ignore: 'qqqq' is not in tags, "
        "passed over");
    row("a severity of something unknown", "severity = zmod:info,\tline-end:error\n", {},
        "1:zmod 2:ownr 3:isoa", 1,
        ".vornel-scan:2: 'line-end' is no rule and no table lists it (see --list-codes, and "
        "--explain RULE), passed over");
  }
  void selectAndIgnore() {
    QFETCH(QByteArray, project);
    QFETCH(QStringList, arguments);
    QFETCH(QString, reported);
    QFETCH(int, status);
    QFETCH(QString, warned);
    QVERIFY(writeFile(at("sel/.vornel-scan"), "tables = ../tables\n" + project));
    QVERIFY(writeFile(at("sel/s.csm"), "x = \"zmod\"\r\nGetFileTag(\"ownr\")\r\ny = \"isoa\"\r\n"));
    QVERIFY(writeFile(at("sel/dir.csm"), "x = \"zmod\" # vornel-scan: on\r\n"));
    if (arguments.isEmpty() || !arguments.last().endsWith(".csm")) arguments.append("s.csm");
    ScanInvocation how;
    how.arguments = QStringList{"--format", "gcc"} + arguments;
    how.workingFolder = at("sel");
    const ScanRunResult run = runScan(how);
    QCOMPARE(::reported(run.out).join(u' '), reported);
    QCOMPARE(run.exitCode, status);
    QStringList warnings;
    const QString warning = QStringLiteral("vornel-scan: warning: ") + at("sel/");
    for (const QString& line : run.err.split(u'\n')) {
      if (line.startsWith(QStringLiteral("vornel-scan: warning: ")))
        warnings.append(line.startsWith(warning) ? line.sliced(warning.size()) : line.sliced(22));
    }
    QCOMPARE(warnings.join(u'\n'), warned);
  }

  void badProjectFiles_data() {
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("error");
    QTest::newRow("unknown key") << QByteArray("format = gcc\nspeed = fast\n")
                                 << ":2: unknown key 'speed' (known: tables, exclude, format, "
                                    "select, ignore, disable, severity, baseline, line-ends)";
    QTest::newRow("no equals") << QByteArray("gcc\n") << ":1: expected key = value";
    QTest::newRow("no value") << QByteArray("tables =\n") << ":1: 'tables' needs a value";
    QTest::newRow("unknown format") << QByteArray("format = xml\n") << ":1: unknown format 'xml'";
    // A name selected that the tables do not know could leave the run
    // reporting nothing: refused, as Ruff refuses it.
    QTest::newRow("a code no table lists")
        << QByteArray("ignore = isoa\nselect = zmod, qqqq\n")
        << ":2: 'qqqq' is no rule and no table lists it (see --list-codes, and --explain RULE)";
    QTest::newRow("a row not in its table")
        << QByteArray("select = tags/zmod\n") << ":1: 'zmod' is not in tags";
    QTest::newRow("an unknown severity")
        << QByteArray("severity = zmod:info, isoa:fatal\n")
        << ":1: severity takes NAME:error, NAME:warning or NAME:info, not 'isoa:fatal'";
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
