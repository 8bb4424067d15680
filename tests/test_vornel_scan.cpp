// End-to-end runs of the vornel-scan harness: output streams and exit status.

#include <algorithm>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

#include "RunScan.h"
#include "SpecialFiles.h"

namespace {

struct Run {
  int exitCode;
  QString out;
  QString err;
};

Run scanText(const QStringList& arguments, const QString& workingDir = QString()) {
  const ScanRunResult run = ::runScan(arguments, workingDir);
  return {run.exitCode, QString::fromUtf8(run.out), run.err};
}

void write(const QString& path, const QByteArray& bytes) {
  QVERIFY(writeFile(path, bytes));
}

}  // namespace

class VornelScanTest : public QObject {
  Q_OBJECT

 private:
  QTemporaryDir dir_;
  QString tables_;
  QString path(const QString& name) const { return dir_.filePath(name); }

 private slots:
  void initTestCase() {
    QVERIFY(dir_.isValid());
    tables_ = path(QStringLiteral("tables"));
    QVERIFY(QDir().mkpath(tables_));
    write(tables_ + "/tags.txt", "\"ownr\",\"Owner tag, user data\",none\r\n");
    write(tables_ + "/param.txt", "\"zmod\",\"Zoom mode resets\",range 0, 1\r\n");
    write(path("alerts.csm"), "x = GetFileTag(\"ownr\")\r\n\tSetCameraState(\"zmod\", 1)\r\n");
    write(path("clean.csm"), "wait(1)\r\n");
    QVERIFY(QDir().mkpath(path("bad-tables")));
    write(path("bad-tables/tags.txt"), "a,b,c\r\nd,e,f,g\r\n");
    write(path("bad-tables/param.txt"), "");
  }

  void streamsAndExitStatus_data() {
    QTest::addColumn<QString>("script");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("out");
    QTest::addColumn<QString>("err");
    QTest::newRow("alerts") << "alerts.csm" << 1
                            << "1 x=GetFileTag(\"ownr\"):  Owner tag, user data\n"
                               "2 SetCameraState(\"zmod\",1):  Zoom mode resets\n"
                            << "File %1 Selected\n2 Alerts. \n";
    QTest::newRow("no alerts") << "clean.csm" << 0 << ""
                               << "File %1 Selected\n0 Alerts. \nNo problems found!\n";
    QTest::newRow("missing script")
        << "missing.csm" << 2 << ""
        << "File %1 Selected\nCould not read the file\nCannot read %1: No such file or directory\n";
    // A mistyped folder must not pass for a clean one.
    QTest::newRow("a folder without scripts")
        << "tables" << 2 << ""
        << "vornel-scan: %1: no scripts (*.csm) found\n0 alerts in 0 of 0 scripts; 1 path not "
           "checked\n";
  }

  void streamsAndExitStatus() {
    QFETCH(QString, script);
    QFETCH(int, exitCode);
    QFETCH(QString, out);
    QFETCH(QString, err);
    const Run run = scanText({"--tables", tables_, path(script)});
    QCOMPARE(run.err, err.arg(path(script)));
    QCOMPARE(run.out, out);
    QCOMPARE(run.exitCode, exitCode);
  }

  void cannotRun_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("message");
    QTest::newRow("no script") << QStringList{} << "vornel-scan: no script or folder to check";
    QTest::newRow("standard input twice")
        << QStringList{"-", "-"} << "vornel-scan: standard input (-) can be read only once";
    QTest::newRow("unknown format") << QStringList{"--format", "xml", "a.csm"}
                                    << "vornel-scan: unknown format 'xml' (known: classic, gcc, "
                                       "json, sarif, github, gitlab)";
    QTest::newRow("jobs not a number")
        << QStringList{"-j", "many", "a.csm"}
        << "vornel-scan: -j needs a number from 1 to 1024, not 'many'";
    QTest::newRow("colour") << QStringList{"--color", "sometimes", "a.csm"}
                            << "vornel-scan: --color takes auto, always or never, not 'sometimes'";
    QTest::newRow("a report and a baseline, which reports nothing")
        << QStringList{"-o", "r.json", "--write-baseline", "b.json", "a.csm"}
        << "vornel-scan: --output and --write-baseline do not go together";
    QTest::newRow("statistics of a run that reports nothing")
        << QStringList{"--statistics", "--write-baseline", "b.json", "a.csm"}
        << "vornel-scan: --statistics and --write-baseline do not go together";
    QTest::newRow("the language server and a scan's option, by either name")
        << QStringList{"--lsp", "--tables", "t", "-j", "2"}
        << "vornel-scan: --lsp does not take --jobs";
    QTest::newRow("the language server and a scan's selection")
        << QStringList{"--select", "zmod", "--lsp"} << "vornel-scan: --lsp does not take --select";
    QTest::newRow("a baseline and none")
        << QStringList{"--baseline", "b.json", "--no-baseline", "a.csm"}
        << "vornel-scan: --baseline and --no-baseline do not go together";
    QTest::newRow("empty tables folder")
        << QStringList{"--tables", "", "a.csm"} << "vornel-scan: --tables needs a folder";
    // Unknown options named as typed, dashes and all.
    QTest::newRow("unknown option")
        << QStringList{"--fast", "a.csm"} << "vornel-scan: unknown option '--fast'";
    QTest::newRow("unknown option, the start of a known one")
        << QStringList{"--fo", "a.csm"} << "vornel-scan: unknown option '--fo'";
    QTest::newRow("unknown option with a value")
        << QStringList{"--fo=bar", "a.csm"} << "vornel-scan: unknown option '--fo'";
    QTest::newRow("unknown short option")
        << QStringList{"-x", "a.csm"} << "vornel-scan: unknown option '-x'";
    QTest::newRow("a long name with one dash, read as short options")
        << QStringList{"-xyz", "a.csm"} << "vornel-scan: unknown options '-x', '-y', '-z'";
    QTest::newRow("unknown short options among known ones")
        << QStringList{"-qxj", "2", "--xy", "a.csm"} << "vornel-scan: unknown options '-x', '--xy'";
    QTest::newRow("a value missing")
        << QStringList{"a.csm", "--format"} << "vornel-scan: Missing value after '--format'.";
    QTest::newRow("tables folder without tags.txt")
        << QStringList{"--tables", "/nonexistent", "a.csm"}
        << "vornel-scan: /nonexistent/tags.txt: No such file or directory";
    QTest::newRow("a code no table lists")
        << QStringList{"--select", "line-ends, qqqq", "--ignore", "tags/", "a.csm"}
        << "vornel-scan: --select: 'qqqq' is no rule and no table lists it (see --list-codes, "
           "and --explain RULE)";
    QTest::newRow("a row not in its table, explaining")
        << QStringList{"--explain", "line-ends", "--extend-select", "params/qqqq"}
        << "vornel-scan: --extend-select: 'qqqq' is not in params";
    QTest::newRow("malformed table") << QStringList{"--tables", "@bad-tables", "a.csm"}
                                     << "vornel-scan: @bad-tables/tags.txt: line 2: expected 3 "
                                        "fields, found 4";
  }

  void cannotRun() {
    QFETCH(QStringList, arguments);
    QFETCH(QString, message);
    const QString bad = path(QStringLiteral("bad-tables"));
    arguments.replaceInStrings(QStringLiteral("@bad-tables"), bad);
    // In the test's folder, so that a run not refused writes nothing elsewhere.
    const Run run = scanText(arguments, dir_.path());
    QCOMPARE(run.exitCode, 2);
    QCOMPARE(run.err.section(QLatin1Char('\n'), 0, 0),
             message.replace(QStringLiteral("@bad-tables"), bad));
    QCOMPARE(run.out, QString());
  }

  // What --exit-zero, --quiet, --verbose and --statistics change, with one
  // script and with several.
  void forPeople_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("err");
    const QString one = QStringLiteral("File @/alerts.csm Selected\n2 Alerts. \n");
    QTest::newRow("exit zero") << QStringList{"--exit-zero", "@/alerts.csm"} << 0 << one;
    QTest::newRow("exit zero, with an error")
        << QStringList{"--exit-zero", "@/alerts.csm", "@/gone.csm"} << 2
        << "vornel-scan: @/gone.csm: No such file or directory\n"
           "2 alerts in 1 of 1 script; 1 path not checked\n";
    QTest::newRow("quiet, one script") << QStringList{"-q", "@/alerts.csm"} << 1 << "";
    QTest::newRow("quiet, several")
        << QStringList{"--quiet", "@/alerts.csm", "@/clean.csm", "@/gone.csm"} << 2
        << "vornel-scan: @/gone.csm: No such file or directory\n";
    QTest::newRow("quiet, a folder without scripts")
        << QStringList{"-q", "@/tables"} << 2
        << "vornel-scan: @/tables: no scripts (*.csm) found\n";
    QTest::newRow("a folder without scripts, allowed")
        << QStringList{"--allow-empty", "@/tables", "@/alerts.csm"} << 1
        << "2 alerts in 1 of 1 script\n";
    QTest::newRow("every path named excluded, as the hook may name them")
        << QStringList{"--force-exclude", "--exclude", "a*.csm", "@/alerts.csm", "@/again.csm"} << 0
        << "no scripts (*.csm) found that are not excluded\n";
    QTest::newRow("verbose")
        << QStringList{"--verbose", "@/alerts.csm", "@/clean.csm"} << 1
        << "File @/alerts.csm Selected\n2 Alerts. \nFile @/clean.csm Selected\n0 Alerts. \n"
           "2 alerts in 1 of 2 scripts\n";
    // A name is shown on one line, as the report shows it.
    QTest::newRow("verbose, a line feed in a name")
        << QStringList{"--verbose", "@/l\nf.csm", "@/clean.csm"} << 0
        << "File @/l\\x0af.csm Selected\n0 Alerts. \nFile @/clean.csm Selected\n0 Alerts. \n"
           "0 alerts in 0 of 2 scripts\n";
    QTest::newRow("an error, a backslash and ESC in a name")
        << QStringList{"@/alerts.csm", "@/g\\x0a\x1b.csm"} << 2
        << "vornel-scan: @/g\\\\x0a\\x1b.csm: No such file or directory\n"
           "2 alerts in 1 of 1 script; 1 path not checked\n";
    QTest::newRow("statistics") << QStringList{"--statistics", "@/alerts.csm", "@/again.csm",
                                               "@/twice.csm"}
                                << 1
                                << "6 alerts in 3 of 3 scripts\n"
                                   " alerts  scripts  code          message\n"
                                   "      4        3  tags/ownr     Owner tag, user data\n"
                                   "      2        2  params/zmod   Zoom mode resets\n";
    // A row no script hit is the keeper's to look at, named where an editor
    // can open it.
    QTest::newRow("statistics, a dead row")
        << QStringList{"--statistics", "@/twice.csm", "@/twice.csm", "@/clean.csm"} << 1
        << "2 alerts in 1 of 2 scripts\n"
           " alerts  scripts  code          message\n"
           "      2        1  tags/ownr     Owner tag, user data\n"
           "1 row that no script hit:\n"
           "@/tables/param.txt:1: zmod  Zoom mode resets\n";
  }

  void forPeople() {
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(QString, err);
    write(path("twice.csm"), "a = \"ownr\"\r\nb = \"ownr\"\r\n");
    write(path("l\nf.csm"), "");
    // A copy, not a second name: a script named twice is checked once.
    write(path("again.csm"), "x = GetFileTag(\"ownr\")\r\n\tSetCameraState(\"zmod\", 1)\r\n");
    arguments.replaceInStrings(QStringLiteral("@"), dir_.path());
    const Run run = scanText(QStringList{"--tables", tables_} + arguments);
    QCOMPARE(run.err, err.replace(QStringLiteral("@"), dir_.path()));
    QCOMPARE(run.exitCode, exitCode);
  }

  // On a terminal, and there only, the one script's report and status
  // escape what they show of a table and a name; the other stream of each
  // row goes to a file.
  void oneScriptOnATerminal_data() {
    QTest::addColumn<bool>("outIsTerminal");
    QTest::addColumn<QString>("script");
    QTest::addColumn<QByteArray>("out");
    QTest::addColumn<QByteArray>("err");
    const QByteArray report = "1 x=\"zmod\":  Zoom\x1b[31m red\n";
    const QByteArray status = "File a\\b\nc.csm Selected\n1 Alerts. \n";
    QTest::newRow("the report") << true << "a\\b\nc.csm"
                                << QByteArray("1 x=\"zmod\":  Zoom\\x1b[31m red\n") << status;
    QTest::newRow("the status") << false << "a\\b\nc.csm" << report
                                << QByteArray("File a\\\\b\\x0ac.csm Selected\n1 Alerts. \n");
    QTest::newRow("a script that cannot be read")
        << false << "gone\n.csm" << QByteArray()
        << QByteArray(
               "File gone\\x0a.csm Selected\nCould not read the file\n"
               "Cannot read gone\\x0a.csm: No such file or directory\n");
  }

  void oneScriptOnATerminal() {
    QFETCH(bool, outIsTerminal);
    QFETCH(QString, script);
    QFETCH(QByteArray, out);
    QFETCH(QByteArray, err);
    QTemporaryDir dir;
    write(dir.filePath("t/param.txt"), "\"zmod\",\"Zoom\x1b[31m red\",range\r\n");
    write(dir.filePath("t/tags.txt"), "");
    if (!out.isEmpty()) write(dir.filePath(script), "x = \"zmod\"\r\n");
    // util-linux's script runs the command on a terminal and copies what is
    // written there to its standard output, with each LF as CR LF.
    ScanInvocation how{
        {"-qec",
         QStringLiteral("\"$SCAN\" --tables t \"$SCRIPT\" %1file").arg(outIsTerminal ? "2>" : ">"),
         dir.filePath("typescript")},
        dir.path(),
        {},
        {"SCAN=" VORNEL_SCAN_PATH, "SCRIPT=" + script, "SHELL=/bin/sh"},
        QStringLiteral("script")};
    const QByteArray shown = runScan(how).out.replace("\r\n", "\n");
    QFile file(dir.filePath("file"));
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(shown, outIsTerminal ? out : err);
    QCOMPARE(file.readAll(), outIsTerminal ? err : out);
  }

  // --output writes the report to a file that appears whole or not at all;
  // a report that cannot be written is an error, whatever the alerts, and
  // the last word: a run cut short has no summary to give.
  void output_data() {
    QTest::addColumn<QString>("output");
    QTest::addColumn<QStringList>("scripts");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("err");
    const QStringList one{"alerts.csm"};
    QTest::newRow("a file") << "@/report.sarif" << one << 1 << "2 alerts in 1 of 1 script\n";
    QTest::newRow("a folder that is not there")
        << "@/nowhere/report.sarif" << one << 2
        << "vornel-scan: @/nowhere/report.sarif: No such file or directory\n";
    QTest::newRow("a device") << "@/null" << one << 1 << "2 alerts in 1 of 1 script\n";
    QTest::newRow("a full disk") << "@/full" << one << 2
                                 << "vornel-scan: @/full: No space left on device\n";
    QTest::newRow("a full disk, several scripts")
        << "@/full" << QStringList{"alerts.csm", "alerts.csm", "."} << 2
        << "vornel-scan: @/full: No space left on device\n";
  }

  void output() {
    QFETCH(QString, output);
    QFETCH(QStringList, scripts);
    QFETCH(int, exitCode);
    QFETCH(QString, err);
    output.replace(QStringLiteral("@"), dir_.path());
    const QString kind = QFileInfo(output).fileName();
    if (kind == QStringLiteral("null") || kind == QStringLiteral("full")) {
      QFile::remove(output);
      QVERIFY(makeFile(output, kind));
    }
    QStringList arguments{"--tables", tables_, "--format", "sarif", "--output", output};
    for (const QString& script : scripts) arguments << path(script);
    const Run run = scanText(arguments);
    QCOMPARE(run.out, QString());
    QCOMPARE(run.err, err.replace(QStringLiteral("@"), dir_.path()));
    QCOMPARE(run.exitCode, exitCode);
    struct stat st {};
    if (kind == QStringLiteral("null") || kind == QStringLiteral("full")) {
      // Written to, never replaced by a file.
      QVERIFY(::stat(QFile::encodeName(output).constData(), &st) == 0 && S_ISCHR(st.st_mode));
    }
    if (exitCode == 1 && kind != QStringLiteral("null")) {
      QFile report(output);
      QVERIFY(report.open(QIODevice::ReadOnly));
      QVERIFY(report.readAll().endsWith("]}]}\n"));
    }
  }

  // Killed while it waits for a script on a pipe, it leaves no report.
  void anInterruptedRunLeavesNoReport() {
    const QString fifo = path(QStringLiteral("slow.csm"));
    QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const QString report = path(QStringLiteral("interrupted.sarif"));
    QProcess scan;
    scan.start(QStringLiteral(VORNEL_SCAN_PATH), {"--tables", tables_, "--format", "sarif",
                                                  "--output", report, path("alerts.csm"), fifo});
    QVERIFY(scan.waitForStarted());
    QFile writer(fifo);
    QVERIFY(writer.open(QIODevice::WriteOnly));  // the scan has it open now
    writer.write("x = \"zmod\"\r\n");
    writer.flush();
    QTest::qWait(200);
    scan.kill();
    QVERIFY(scan.waitForFinished());
    QVERIFY(!QFile::exists(report));
  }

  // Neither the report nor the baseline turns a device, a pipe or a link to
  // a device into a file: each is written to as it is.
  void outputsKeepTheirKind_data() {
    QTest::addColumn<QString>("option");
    QTest::addColumn<QString>("kind");
    for (const char* option : {"--output", "--write-baseline"}) {
      for (const char* kind : {"null", "link:device", "fifo"})
        QTest::addRow("%s to %s", option, kind) << option << kind;
    }
  }

  void outputsKeepTheirKind() {
    QFETCH(QString, option);
    QFETCH(QString, kind);
    QTemporaryDir dir;
    QVERIFY(makeFile(dir.filePath("device"), "null") && makeFile(dir.filePath("out"), kind));
    const QString before = kindAndInode(dir.filePath("out"));
    const QString device = kindAndInode(dir.filePath("device"));
    // The pipe's reader is a process: a thread alive across the fork that
    // starts vornel-scan is what ThreadSanitizer refuses.
    ScanInvocation how;
    how.program = QStringLiteral("/bin/sh");
    const QString script = "cat out > read & \"$0\" \"$@\"; s=$?; wait; exit $s";
    how.arguments = {"-c", script, VORNEL_SCAN_PATH, "--tables", tables_, option, "out"};
    how.arguments << path("alerts.csm");
    how.workingFolder = dir.path();
    how.timeoutMs = 20000;
    const ScanRunResult run = runScan(how);
    QVERIFY2(run.exitCode == (option == "--output" ? 1 : 0), qPrintable(run.err));
    QCOMPARE(kindAndInode(dir.filePath("out")), before);
    QCOMPARE(kindAndInode(dir.filePath("device")), device);
    QFile read(dir.filePath("read"));
    if (kind == "fifo") QVERIFY(read.open(QIODevice::ReadOnly) && read.readAll().contains("zmod"));
  }

  // An output that is a file the run reads, by any name, is refused before
  // anything is written.
  void anOutputThatIsReadIsRefused_data() {
    QTest::addColumn<QStringList>("arguments");  // the output comes second to last
    QTest::addColumn<QString>("named");
    QTest::newRow("the script") << QStringList{"-o", "a.csm", "a.csm"} << "a.csm";
    QTest::newRow("a hard link") << QStringList{"-o", "hard.csm", "a.csm"} << "a.csm";
    QTest::newRow("a link") << QStringList{"-o", "link.csm", "a.csm"} << "a.csm";
    QTest::newRow("read through a link") << QStringList{"-o", "a.csm", "link.csm"} << "link.csm";
    QTest::newRow("a script in a folder")
        << QStringList{"-j", "2", "-o", "dir/x.csm", "dir"} << "dir/x.csm";
    QTest::newRow("a baseline over a script in a folder")
        << QStringList{"--write-baseline", "dir/x.csm", "dir"} << "dir/x.csm";
    QTest::newRow("a table") << QStringList{"-o", "tables/param.txt", "a.csm"}
                             << "@/tables/param.txt";
  }

  void anOutputThatIsReadIsRefused() {
    QFETCH(QStringList, arguments);
    QFETCH(QString, named);
    QTemporaryDir dir;
    const QByteArray script = "x = \"zmod\"\r\n";
    const QHash<QString, QByteArray> kept{{"a.csm", script},
                                          {"dir/x.csm", script},
                                          {"dir/y.csm", script},
                                          {"tables/param.txt", "\"zmod\",\"Zoom\",range\r\n"}};
    for (auto it = kept.cbegin(); it != kept.cend(); ++it)
      QVERIFY(writeFile(dir.filePath(it.key()), it.value()));
    QVERIFY(writeFile(dir.filePath("tables/tags.txt"), "\"ownr\",\"Owner tag\",none\r\n"));
    QVERIFY(makeFile(dir.filePath("link.csm"), "link:a.csm"));
    QCOMPARE(::link(QFile::encodeName(dir.filePath("a.csm")).constData(),
                    QFile::encodeName(dir.filePath("hard.csm")).constData()),
             0);
    const Run run = scanText(QStringList{"--tables", "tables"} + arguments, dir.path());
    QCOMPARE(run.err, QStringLiteral("vornel-scan: %1: Is the same file as the output %2: "
                                     "nothing is written\n")
                          .arg(named.replace("@", dir.path()), arguments.at(arguments.size() - 2)));
    QCOMPARE(run.exitCode, 2);
    for (auto it = kept.cbegin(); it != kept.cend(); ++it) {
      QFile file(dir.filePath(it.key()));
      QVERIFY(file.open(QIODevice::ReadOnly) && file.readAll() == it.value());
    }
  }

  // A baseline, a project file or a table is read whole: a pipe, a device
  // or a file past its bound is refused at once, by name.
  void wholeFilesAreRefused_data() {
    QTest::addColumn<QString>("option");
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("reason");
    const QString only = QStringLiteral("Is %1: only files are read");
    const QString larger = QStringLiteral("Is larger than %1, the most read of a file of its kind");
    for (const auto& [option, bound] : {std::pair{"--baseline", "256 MiB"},
                                        {"--config", "1 MiB"},
                                        {"--tables", "64 MiB"},
                                        {"baseline =", "256 MiB"}}) {
      QTest::addRow("%s a pipe", option) << option << "fifo" << only.arg("a pipe");
      QTest::addRow("%s a device", option) << option << "zero" << only.arg("a character device");
      QTest::addRow("%s 300 MiB", option) << option << "sparse" << larger.arg(bound);
    }
  }

  void wholeFilesAreRefused() {
    QFETCH(QString, option);
    QFETCH(QString, kind);
    QFETCH(QString, reason);
    QTemporaryDir dir;
    const bool tables = option == "--tables";
    const QString file = dir.filePath(tables ? "t/tags.txt" : "f");
    QVERIFY(!tables || writeFile(dir.filePath("t/param.txt"), ""));
    QVERIFY(makeFile(file, kind, {}, qint64(300) << 20));
    QVERIFY(writeFile(dir.filePath("project"), "baseline = f\n"));
    ScanInvocation how;
    how.arguments = QStringList{"--tables", tables ? dir.filePath("t") : tables_};
    if (option == "baseline =") {
      how.arguments << "--config" << dir.filePath("project");
    } else if (!tables) {
      how.arguments << option << file;
    }
    how.arguments << path("alerts.csm");
    how.timeoutMs = 10000;
    const ScanRunResult run = runScan(how);
    QCOMPARE(run.err, "vornel-scan: " + file + ": " + reason + "\n");
    QCOMPARE(run.exitCode, 2);
  }

  void tableMessagesNameTheFullPath() {
    const Run run = scanText({"--tables", "nowhere", "a.csm"}, dir_.path());
    QCOMPARE(run.exitCode, 2);
    QCOMPARE(run.err, "vornel-scan: " + path("nowhere/tags.txt") + ": No such file or directory\n");
  }

  void helpAndVersion() {
    for (const char* option : {"--help", "--help-all"}) {
      const Run help = scanText({option});
      QCOMPARE(help.exitCode, 0);
      QVERIFY2(help.out.contains(QStringLiteral("--tables <dir>")), qPrintable(help.out));
      QVERIFY2(help.out.startsWith(QStringLiteral("Usage: vornel-scan [options] PATH...\n")),
               qPrintable(help.out));
    }
    const Run version = scanText({"--version"});
    QCOMPARE(version.exitCode, 0);
    QCOMPARE(version.out, QStringLiteral("vornel-scan 1.1\n"));
  }

  // A script large enough to be read in stretches on two threads is still
  // opened once: the stretches are read from its one descriptor.
  void aLargeScriptIsOpenedOnce() {
    const QString big = path(QStringLiteral("big.csm"));
    QByteArray bytes;
    while (bytes.size() < (5 << 20)) bytes += "SetCameraState(\"zmod\", 1)\r\nwait(1)\r\n";
    write(big, bytes);
    const QString trace = path(QStringLiteral("opens.txt"));
    QProcess strace;
    strace.start(QStringLiteral("strace"), {"-f", "-e", "trace=openat,open", "-o", trace,
                                            VORNEL_SCAN_PATH, "--tables", tables_, big});
    QVERIFY(strace.waitForFinished(60000));
    QCOMPARE(strace.exitCode(), 1);
    QFile log(trace);
    QVERIFY(log.open(QIODevice::ReadOnly));
    const QByteArrayList opens = log.readAll().split('\n');
    const qsizetype opensOfBig = std::count_if(
        opens.begin(), opens.end(),
        [&](const QByteArray& call) { return call.contains(QFile::encodeName(big)); });
    QCOMPARE(opensOfBig, qsizetype(1));
  }

  // Without --tables the shipped tables are found beside the program, from
  // whatever folder it is started in.
  void shippedTablesAndExamples() {
    const QString examples = QStringLiteral(VORNEL_SOURCE_DIR "/examples/");
    const Run cr = scanText({examples + "cr-only.csm"}, dir_.path());
    QCOMPARE(cr.exitCode, 1);
    QCOMPARE(
        cr.out,
        QStringLiteral(
            "2 SetCameraState(\"shsp\",250):  Shutter speed shsp is ignored in auto exposure\n"
            "3 SetCameraState(\"aprt\",4):  Aperture aprt depends on the lens; values out of "
            "range are clamped\n"
            "4 f=GetFileTag(\"copy\"):  Copyright tag copy is limited to 63 bytes, longer text "
            "is cut\n"));
    const Run alerts = scanText({examples + "alerts.csm"}, dir_.path());
    QCOMPARE(alerts.exitCode, 1);
    QCOMPARE(alerts.out.count(QLatin1Char('\n')), 11);
    QVERIFY(alerts.out.contains(QStringLiteral(
        "\n10 t=\"dtim\":  Capture time tag dtim uses camera local time, not UTC\n")));
    QVERIFY(alerts.err.endsWith(QStringLiteral("\n11 Alerts. \n")));
    const Run clean = scanText({examples + "clean.csm"}, dir_.path());
    QCOMPARE(clean.exitCode, 0);
  }
};

QTEST_GUILESS_MAIN(VornelScanTest)
#include "test_vornel_scan.moc"
