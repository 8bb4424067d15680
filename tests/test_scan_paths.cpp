// vornel-scan on many paths: folders walked in a stable order, what is
// passed over, links that cannot be followed, each script once under one
// name, standard input, errors that stop nothing, and the same report on
// any number of threads.

#include <QDir>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "LspSession.h"
#include "RunScan.h"

namespace {

const QByteArray kTags = "\"ownr\",\"Owner tag\",none\r\n";
const QByteArray kParams = "\"zmod\",\"Zoom mode\",range\r\n";

}  // namespace

class ScanPathsTest : public QObject {
  Q_OBJECT

 private:
  QTemporaryDir dir_;
  QString tables_;
  QString at(const QString& name) const { return dir_.filePath(name); }
  ScanRunResult scan(QStringList arguments) const {
    return runScan(QStringList{"--tables", tables_} + arguments, dir_.path());
  }

 private slots:
  void initTestCase() {
    QVERIFY(dir_.isValid());
    tables_ = at("tables");
    QVERIFY(writeFile(tables_ + "/tags.txt", kTags));
    QVERIFY(writeFile(tables_ + "/param.txt", kParams));
    const QByteArray alert = "x = \"zmod\"\r\n";
    for (const char* name : {"tree/a.csm", "tree/B.CSM", "tree/sub.csm", "tree/sub/d.csm",
                             "tree/.hidden/e.csm", "tree/gen/f.csm", "tree/sub/x.gen.csm"}) {
      QVERIFY(writeFile(at(name), alert));
    }
    QVERIFY(writeFile(at("tree/sub/c.csm"), "wait(1)\r\n"));
    QVERIFY(writeFile(at("tree/notes.txt"), alert));
    QVERIFY(QFile::link(at("tree/sub"), at("tree/link")));
    QVERIFY(QFile::link(at("tree"), at("tree/sub/loop")));
    QVERIFY(QFile::link(at("tree/a.csm"), at("tree/sub/linked.csm")));

    QVERIFY(writeFile(at("links/good.csm"), alert));
    QVERIFY(QFile::link("nowhere.csm", at("links/dangling.csm")));
    QVERIFY(QFile::link("loop.csm", at("links/loop.csm")));
    QVERIFY(QFile::link("nowhere.txt", at("links/notes.txt")));

    QVERIFY(writeFile(at("tw/a/x.csm"), alert));
    QVERIFY(writeFile(at("tw/b.csm"), "y = \"zmod\"\r\nwait(1)\r\n"));
    QCOMPARE(::link(QFile::encodeName(at("tw/b.csm")).constData(),
                    QFile::encodeName(at("tw/hard.csm")).constData()),
             0);
    QVERIFY(QFile::link("b.csm", at("tw/soft.csm")));
  }

  // Which scripts a walk reports, in its order.
  void walkOrder_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QStringList>("paths");
    QTest::newRow("a folder, sorted by path; hidden folders and links to folders passed over")
        << QStringList{"tree"}
        << QStringList{"tree/B.CSM",   "tree/a.csm",     "tree/gen/f.csm",
                       "tree/sub.csm", "tree/sub/d.csm", "tree/sub/x.gen.csm"};
    QTest::newRow("paths in the order given")
        << QStringList{"tree/sub", "tree/B.CSM"}
        << QStringList{"tree/sub/d.csm", "tree/sub/linked.csm", "tree/sub/x.gen.csm", "tree/B.CSM"};
    QTest::newRow("exclusions by name and by path")
        << QStringList{"--exclude", "*.gen.csm",   "--exclude", "gen",
                       "--exclude", "tree/sub/d*", "tree"}
        << QStringList{"tree/B.CSM", "tree/a.csm", "tree/sub.csm"};
    QTest::newRow("a path is from the working folder, not from the folder given")
        << QStringList{"--exclude", "sub/*", "tree"}
        << QStringList{"tree/B.CSM",   "tree/a.csm",     "tree/gen/f.csm",
                       "tree/sub.csm", "tree/sub/d.csm", "tree/sub/x.gen.csm"};
    QTest::newRow("** reaches every depth")
        << QStringList{"--exclude", "**/*.csm", "tree"} << QStringList{"tree/B.CSM"};
    QTest::newRow("a file named explicitly is checked whatever its name")
        << QStringList{"--exclude", "*.txt", "tree/notes.txt"} << QStringList{"tree/notes.txt"};
    QTest::newRow("unless --force-exclude, as below a folder")
        << QStringList{"--force-exclude", "--exclude", "gen", "tree/gen/f.csm", "tree/a.csm"}
        << QStringList{"tree/a.csm"};
  }

  void walkOrder() {
    QFETCH(QStringList, arguments);
    QFETCH(QStringList, paths);
    const ScanRunResult run = scan(QStringList{"--format", "gcc"} + arguments);
    QCOMPARE(run.exitCode, 1);
    QStringList seen;
    for (const QByteArray& line : run.out.split('\n')) {
      if (!line.isEmpty()) seen.append(QString::fromUtf8(line.left(line.indexOf(':'))));
    }
    QCOMPARE(seen, paths);
  }

  // A script gets one answer from the project file's exclude however it
  // comes: below the project's top, below a folder in it, named as the
  // pre-commit hook names it (from the top and from a folder below), and
  // opened in an editor, which shows an excluded script an empty list.
  void excludedEveryWay_data() {
    QTest::addColumn<QByteArray>("exclude");
    QTest::addColumn<bool>("excluded");
    QTest::newRow("a path from the project file's folder") << QByteArray("s/gen/**") << true;
    QTest::newRow("a path from a folder below it") << QByteArray("gen/**") << false;
    QTest::newRow("a folder's name") << QByteArray("gen") << true;
    QTest::newRow("the script's name") << QByteArray("g?.csm") << true;
    QTest::newRow("* stops at /") << QByteArray("s/*.csm") << false;
  }

  void excludedEveryWay() {
    QFETCH(QByteArray, exclude);
    QFETCH(bool, excluded);
    const QTemporaryDir top(at("every-way-XXXXXX"));
    const QString repo = top.path();
    QVERIFY(writeFile(repo + "/.git/HEAD", "ref: refs/heads/main\n"));
    QVERIFY(writeFile(repo + "/.vornel-scan",
                      "tables = " + tables_.toUtf8() + "\nformat = gcc\nexclude = " + exclude));
    QVERIFY(writeFile(repo + "/s/gen/g1.csm", "x = \"zmod\"\r\n"));
    for (const auto& [folder, arguments] : {std::pair{"", QStringList{"."}},
                                            {"", QStringList{"s"}},
                                            {"", QStringList{"--force-exclude", "s/gen/g1.csm"}},
                                            {"/s", QStringList{"--force-exclude", "gen/g1.csm"}}}) {
      const ScanRunResult run = runScan(arguments, repo + folder);
      QVERIFY2(run.exitCode == (excluded ? 0 : 1),
               qPrintable(arguments.join(' ') + ": " + run.err));
      QCOMPARE(run.out.contains("g1.csm:1:5: warning: Zoom mode [zmod]"), !excluded);
    }
    LspSession server({}, repo);
    QVERIFY(server.started());
    server.initialize(repo);
    const QString uri = QUrl::fromLocalFile(repo + "/s/gen/g1.csm").toString();
    server.open(uri, "x = \"zmod\"\r\n");
    QCOMPARE(server.diagnostics(uri).size(), excluded ? 0 : 1);
    QCOMPARE(server.finish(), 0);
    QCOMPARE(server.standardError(), QString());
  }

  void standardInput_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QByteArray>("out");
    QTest::addColumn<QString>("err");
    QTest::newRow("alone, as one script")
        << QStringList{"-"} << QByteArray("1 x=\"zmod\":  Zoom mode\n")
        << "File - Selected\n1 Alerts. \n";
    QTest::newRow("named") << QStringList{"--stdin-filename", "in/put.csm", "--format", "gcc", "-"}
                           << QByteArray("in/put.csm:1:5: warning: Zoom mode [zmod]\n")
                           << "1 alert in 1 of 1 script\n";
  }

  void standardInput() {
    QFETCH(QStringList, arguments);
    QFETCH(QByteArray, out);
    QFETCH(QString, err);
    ScanInvocation how;
    how.arguments = QStringList{"--tables", tables_} + arguments;
    how.standardInput = "x = \"zmod\"\r\n";
    const ScanRunResult run = runScan(how);
    QCOMPARE(run.out, out);
    QCOMPARE(run.err, err);
    QCOMPARE(run.exitCode, 1);
  }

  // A link to a script that cannot be followed is named and passed over:
  // the rest of its folder is checked, and the exit status is what it
  // would be without the link. A broken link that is no script is not
  // named.
  void linksThatCannotBeFollowed_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QByteArray>("out");
    QTest::addColumn<QString>("err");
    QTest::addColumn<int>("exitCode");
    const QByteArray good = "links/good.csm:1:5: warning: Zoom mode [zmod]\n";
    const QString dangling =
        "vornel-scan: links/dangling.csm: link not followed: No such file or directory\n";
    const QString loop =
        "vornel-scan: links/loop.csm: link not followed: Too many levels of symbolic links\n";
    const QString oneAlert = "1 alert in 1 of 1 script\n";
    QTest::newRow("beside a script")
        << QStringList{"links"} << good << dangling + loop + oneAlert << 1;
    QTest::newRow("alone in their folder")
        << QStringList{"--exclude", "good.csm", "links"} << QByteArray()
        << dangling + loop + "no scripts (*.csm) found that are not excluded\n"
        << 0;
    QTest::newRow("excluded, not named")
        << QStringList{"--exclude", "dang*", "links"} << good << loop + oneAlert << 1;
    QTest::newRow("a folder given twice names them once")
        << QStringList{"links", "./links/"} << good << dangling + loop + oneAlert << 1;
  }

  void linksThatCannotBeFollowed() {
    QFETCH(QStringList, arguments);
    QFETCH(QByteArray, out);
    QFETCH(QString, err);
    QFETCH(int, exitCode);
    const ScanRunResult run = scan(QStringList{"--format", "gcc"} + arguments);
    QCOMPARE(run.out, out);
    QCOMPARE(run.err, err);
    QCOMPARE(run.exitCode, exitCode);
  }

  // A script is checked once however it is named, and shown under the
  // first name the run meets, on any number of threads.
  void eachScriptOnce_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QStringList>("paths");
    QTest::addColumn<QString>("err");
    QTest::addColumn<int>("exitCode");
    const QString two = "2 alerts in 2 of 2 scripts\n";
    QTest::newRow("a folder, itself again and a folder in it")
        << QStringList{"tw", "./tw", "tw/a"} << QStringList{"tw/a/x.csm", "tw/b.csm"} << two << 1;
    QTest::newRow("one script by three names")
        << QStringList{"tw/a/x.csm", "./tw/a/x.csm", "tw//a/./x.csm"} << QStringList{"tw/a/x.csm"}
        << "1 alert in 1 of 1 script\n"
        << 1;
    QTest::newRow("a link first, then its folder with the file and a hard link")
        << QStringList{"tw/soft.csm", "tw"} << QStringList{"tw/soft.csm", "tw/a/x.csm"} << two << 1;
    QTest::newRow("a hard link first") << QStringList{"tw/hard.csm", "tw/b.csm", "tw/a"}
                                       << QStringList{"tw/hard.csm", "tw/a/x.csm"} << two << 1;
    // Known by its name alone, as it cannot be opened.
    QTest::newRow("a path that does not exist, named twice")
        << QStringList{"missing.csm", "tw/b.csm", "./missing.csm"} << QStringList{"tw/b.csm"}
        << "vornel-scan: missing.csm: No such file or directory\n"
           "1 alert in 1 of 1 script; 1 path not checked\n"
        << 2;
  }

  void eachScriptOnce() {
    QFETCH(QStringList, arguments);
    QFETCH(QStringList, paths);
    QFETCH(QString, err);
    QFETCH(int, exitCode);
    for (const QString jobs : {"1", "3"}) {
      const ScanRunResult run = scan(QStringList{"-j", jobs, "--format", "gcc"} + arguments);
      QStringList seen;
      for (const QByteArray& line : run.out.split('\n')) {
        if (!line.isEmpty()) seen.append(QString::fromUtf8(line.left(line.indexOf(':'))));
      }
      QCOMPARE(seen, paths);
      QCOMPARE(run.err, err);
      QCOMPARE(run.exitCode, exitCode);
    }
  }

  // A baseline counts each alert once, however often its script is named.
  void baselineOncePerScript() {
    const ScanRunResult run = scan({"--write-baseline", "once.json", "tw", "tw/a", "./tw/b.csm"});
    QCOMPARE(run.err, QStringLiteral("vornel-scan: recorded 2 alerts in once.json\n"));
    QCOMPARE(run.exitCode, 0);
    QFile written(at("once.json"));
    QVERIFY(written.open(QIODevice::ReadOnly));
    QCOMPARE(written.readAll(),
             QByteArray("{\"version\": 1, \"alerts\": [\n"
                        "{\"path\": \"tw/a/x.csm\", \"table\": \"params\", \"code\": \"zmod\", "
                        "\"statement\": \"x=\\\"zmod\\\"\", \"count\": 1},\n"
                        "{\"path\": \"tw/b.csm\", \"table\": \"params\", \"code\": \"zmod\", "
                        "\"statement\": \"y=\\\"zmod\\\"\", \"count\": 1}\n"
                        "]}\n"));
  }

  // A baseline recorded before scripts were shown without `./` (as from
  // `--write-baseline old.json ./tw`) silences its alerts whatever the
  // scripts are named by now.
  void oldBaselineStillSilences_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::newRow("./tw") << QStringList{"./tw"};
    QTest::newRow("tw") << QStringList{"tw"};
    QTest::newRow("each by another name") << QStringList{"./tw/a/x.csm", "tw/./b.csm"};
  }

  void oldBaselineStillSilences() {
    QFETCH(QStringList, arguments);
    QVERIFY(writeFile(at("old.json"),
                      "{\"version\": 1, \"alerts\": [\n"
                      "{\"path\": \"tw/a/x.csm\", \"table\": \"params\", \"code\": \"zmod\", "
                      "\"statement\": \"x=\\\"zmod\\\"\", \"count\": 1},\n"
                      "{\"path\": \"tw/b.csm\", \"table\": \"params\", \"code\": \"zmod\", "
                      "\"statement\": \"y=\\\"zmod\\\"\", \"count\": 1}\n"
                      "]}\n"));
    const ScanRunResult run = scan(QStringList{"--baseline", "old.json"} + arguments);
    QCOMPARE(run.out, QByteArray());
    QCOMPARE(run.err, QStringLiteral("0 alerts in 0 of 2 scripts; 2 silenced\n"));
    QCOMPARE(run.exitCode, 0);
  }

  // Every format and message shows a script by one name: as given, without
  // `./`; `..` stays. SARIF's URI is that name relative to SRCROOT, or an
  // absolute file URI for an absolute name outside the working folder. `@`
  // stands for the test's folder.
  void oneNamePerScript_data() {
    QTest::addColumn<QString>("format");
    QTest::addColumn<QString>("folder");  // where it runs, in the test's folder
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QStringList>("names");  // found in the report, in this order
    const QStringList given{"./tw/a", "tw/./b.csm", "./missing.csm"};
    const auto sarif = [](const char* uri) {
      return QStringLiteral("{\"uri\":\"%1\",\"uriBaseId\":\"SRCROOT\"}").arg(uri);
    };
    QTest::newRow("classic") << "classic"
                             << "" << given << QStringList{"tw/a/x.csm:1 ", "\ntw/b.csm:1 "};
    QTest::newRow("gcc") << "gcc"
                         << "" << given << QStringList{"tw/a/x.csm:1:5:", "\ntw/b.csm:1:5:"};
    QTest::newRow("github") << "github"
                            << "" << given
                            << QStringList{"file=tw/a/x.csm,", "file=tw/b.csm,",
                                           "file=missing.csm::"};
    QTest::newRow("gitlab") << "gitlab"
                            << "" << given
                            << QStringList{"\"path\":\"tw/a/x.csm\"", "\"path\":\"tw/b.csm\""};
    QTest::newRow("json") << "json"
                          << "" << given
                          << QStringList{"\"path\":\"tw/a/x.csm\"", "\"path\":\"tw/b.csm\"",
                                         "\"path\":\"missing.csm\""};
    QTest::newRow("sarif") << "sarif"
                           << "" << given
                           << QStringList{sarif("tw/a/x.csm"), sarif("tw/b.csm"),
                                          sarif("missing.csm")};
    QTest::newRow("below ., gcc") << "gcc"
                                  << "tw" << QStringList{"."}
                                  << QStringList{"a/x.csm:1:5:", "\nb.csm:1:5:"};
    QTest::newRow("below ., github")
        << "github"
        << "tw" << QStringList{"."} << QStringList{"file=a/x.csm,", "file=b.csm,"};
    QTest::newRow("below ., sarif")
        << "sarif"
        << "tw" << QStringList{"."} << QStringList{sarif("a/x.csm"), sarif("b.csm")};
    QTest::newRow("a .. stays, gcc")
        << "gcc"
        << "" << QStringList{"tw/a/../b.csm"} << QStringList{"tw/a/../b.csm:1:5:"};
    QTest::newRow("a .. stays, gitlab")
        << "gitlab"
        << "" << QStringList{"tw/a/../b.csm"} << QStringList{"\"path\":\"tw/a/../b.csm\""};
    QTest::newRow("a .. stays, sarif")
        << "sarif"
        << "" << QStringList{"tw/a/../b.csm"} << QStringList{sarif("tw/a/../b.csm")};
    QTest::newRow("absolute, gcc")
        << "gcc"
        << "" << QStringList{"@/tw/./b.csm"} << QStringList{"@/tw/b.csm:1:5:"};
    QTest::newRow("absolute below the working folder, sarif")
        << "sarif"
        << "" << QStringList{"@/tw/./b.csm"} << QStringList{sarif("tw/b.csm")};
    QTest::newRow("absolute outside the working folder, sarif")
        << "sarif"
        << "tw/a" << QStringList{"@/./tw/b.csm"} << QStringList{"{\"uri\":\"file://@/tw/b.csm\"}"};
    QTest::newRow("absolute leaving the working folder by .., sarif")
        << "sarif"
        << "" << QStringList{"@/tw/a/../b.csm"}
        << QStringList{"{\"uri\":\"file://@/tw/a/../b.csm\"}"};
  }

  void oneNamePerScript() {
    QFETCH(QString, format);
    QFETCH(QString, folder);
    QFETCH(QStringList, arguments);
    QFETCH(QStringList, names);
    arguments.replaceInStrings(QRegularExpression("^@"), dir_.path());
    const ScanRunResult run =
        runScan(QStringList{"--tables", tables_, "--format", format} + arguments, at(folder));
    const QString out = QString::fromUtf8(run.out);
    qsizetype from = 0;
    for (QString name : names) {
      name.replace(u'@', dir_.path());
      const qsizetype found = out.indexOf(name, from);
      QVERIFY2(found >= 0, qPrintable(name + " not in order in:\n" + out));
      from = found + name.size();
    }
    const QRegularExpression dotSegment("(^|[^.])\\./");
    QVERIFY2(!out.contains(dotSegment), qPrintable(out));
    QVERIFY2(!run.err.contains(dotSegment), qPrintable(run.err));
    if (arguments.contains("./missing.csm")) {
      QVERIFY2(run.err.contains("vornel-scan: missing.csm: No such file or directory\n"),
               qPrintable(run.err));
    }
  }

  // A path that cannot be checked is named on stderr; every other is
  // checked and reported all the same, and the exit status says so.
  void errorsStopNothing() {
    const ScanRunResult run = scan(
        {"--format", "gcc", "tree/a.csm", "missing.csm", "tree/a.csm/below", "tree/sub/d.csm"});
    QCOMPARE(run.out, QByteArray("tree/a.csm:1:5: warning: Zoom mode [zmod]\n"
                                 "tree/sub/d.csm:1:5: warning: Zoom mode [zmod]\n"));
    QCOMPARE(run.err, QStringLiteral("vornel-scan: missing.csm: No such file or directory\n"
                                     "vornel-scan: tree/a.csm/below: Not a directory\n"
                                     "2 alerts in 2 of 2 scripts; 2 paths not checked\n"));
    QCOMPARE(run.exitCode, 2);
    QCOMPARE(scan({"--exit-zero", "tree/a.csm", "missing.csm"}).exitCode, 2);
    QCOMPARE(scan({"--exit-zero", "tree/a.csm", "tree/sub"}).exitCode, 0);
  }

  // Files are read, and pipes once, as standard input is; devices and the
  // kernel's files are refused by name, never read without end.
  void specialFiles_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("err");
    const QString device = ": Is a character device: only files, pipes and standard input are read";
    QTest::newRow("/dev/zero") << "/dev/zero" << device;
    QTest::newRow("/dev/urandom") << "/dev/urandom" << device;
    QTest::newRow("/proc") << "/proc/self/status"
                           << ": Is a file of the kernel's /proc or /sys, not a script";
    QTest::newRow("/sys") << "/sys/kernel/mm/transparent_hugepage/enabled"
                          << ": Is a file of the kernel's /proc or /sys, not a script";
    QTest::newRow("/dev/null, which is empty") << "/dev/null" << QString();
  }

  void specialFiles() {
    QFETCH(QString, path);
    QFETCH(QString, err);
    const ScanRunResult run = scan({"--format", "gcc", "tree/a.csm", path});
    QCOMPARE(run.out, QByteArray("tree/a.csm:1:5: warning: Zoom mode [zmod]\n"));
    if (err.isEmpty()) {
      QCOMPARE(run.err, QStringLiteral("1 alert in 1 of 2 scripts\n"));
      QCOMPARE(run.exitCode, 1);
    } else {
      QVERIFY2(run.err.startsWith("vornel-scan: " + path + err + "\n"), qPrintable(run.err));
      QCOMPARE(run.exitCode, 2);
    }
  }

  // A pipe named by its path is read once, so every line of it is checked,
  // and opened once however often it is named: standard input as
  // /dev/stdin, and a named pipe whose writer comes later.
  void pipesByName_data() {
    QTest::addColumn<QStringList>("paths");
    QTest::addColumn<QString>("shown");
    QTest::newRow("standard input") << QStringList{"/dev/stdin"} << "/dev/stdin";
    QTest::newRow("standard input by two names") << QStringList{"/dev/stdin", "-"} << "/dev/stdin";
    QTest::newRow("a named pipe") << QStringList{"fifo.csm"} << "fifo.csm";
    QTest::newRow("a named pipe by three names")
        << QStringList{"fifo.csm", "fifo-link.csm", "./fifo.csm"} << "fifo.csm";
  }

  void pipesByName() {
    QFETCH(QStringList, paths);
    QFETCH(QString, shown);
    const QByteArray input = "x = \"zmod\"\r\nwait(1)\r\ny = \"zmod\"\r\n";
    ScanInvocation how;
    how.arguments = QStringList{"--tables", tables_, "--format", "gcc"} + paths;
    how.standardInput = input;
    how.workingFolder = dir_.path();
    how.timeoutMs = 20000;  // a pipe opened again waits for a writer that has gone
    const QString fifo = at("fifo.csm");
    if (shown == "fifo.csm") {
      QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
      QVERIFY(QFile::link("fifo.csm", at("fifo-link.csm")));
      QVERIFY(writeFile(at("fifo-input.txt"), input));
      // The writer is a process of its own: a thread of this test alive
      // across the fork that starts vornel-scan is what ThreadSanitizer
      // refuses.
      how.arguments.prepend(VORNEL_SCAN_PATH);
      how.arguments =
          QStringList{"-c", "cat fifo-input.txt > fifo.csm & exec \"$0\" \"$@\""} + how.arguments;
      how.program = QStringLiteral("/bin/sh");
    }
    const ScanRunResult run = runScan(how);
    QFile::remove(fifo);
    QFile::remove(at("fifo-link.csm"));
    QCOMPARE(run.out, (shown + ":1:5: warning: Zoom mode [zmod]\n" + shown +
                       ":3:5: warning: Zoom mode [zmod]\n")
                          .toUtf8());
    QCOMPARE(run.err, QStringLiteral("2 alerts in 1 of 1 script\n"));
    QCOMPARE(run.exitCode, 1);
  }

  // Paths go to the system as the bytes given, UTF-8 or not, and come back
  // in reports the same way (in JSON, as the lone surrogates that stand for
  // them).
  void pathsThatAreNotUtf8() {
    const QByteArray folder = QFile::encodeName(at("raw")) + "/lat\xe9";
    QVERIFY(QDir().mkpath(at("raw")));
    QCOMPARE(::mkdir(folder.constData(), 0700), 0);
    QCOMPARE(::mkdir((folder + "/tables\xff").constData(), 0700), 0);
    auto write = [](const QByteArray& path, const QByteArray& bytes) {
      const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
      const bool written =
          fd >= 0 && ::write(fd, bytes.constData(), std::size_t(bytes.size())) == bytes.size();
      return ::close(fd) == 0 && written;
    };
    QVERIFY(write(folder + "/tables\xff/tags.txt", kTags));
    QVERIFY(write(folder + "/tables\xff/param.txt", kParams));
    QVERIFY(write(folder + "/a\xe9.csm", "x = \"zmod\"\r\n"));
    // Arguments as bytes: through the shell, which passes them on as they are.
    auto run = [&](const QByteArray& arguments) {
      ScanInvocation how;
      how.program = QStringLiteral("/bin/sh");
      how.arguments = {"-c", "cd raw && exec \"$0\" " + QString::fromLatin1(arguments),
                       QStringLiteral(VORNEL_SCAN_PATH)};
      how.workingFolder = dir_.path();
      return runScan(how);
    };
    const QByteArray tables = "--tables \"$(printf 'lat\\351/tables\\377')\" ";
    ScanRunResult named = run(tables + "--format gcc \"$(printf 'lat\\351/a\\351.csm')\"");
    QCOMPARE(named.out, QByteArray("lat\xe9/a\xe9.csm:1:5: warning: Zoom mode [zmod]\n"));
    QCOMPARE(named.exitCode, 1);
    ScanRunResult walked = run(tables + "--format json \"$(printf 'lat\\351')\"");
    QVERIFY2(walked.out.contains("\"path\":\"lat\\udce9/a\\udce9.csm\""), walked.out.constData());
    QCOMPARE(walked.exitCode, 1);
    // Qt cannot name these files to remove them; rm takes their bytes.
    QCOMPARE(QProcess::execute(QStringLiteral("rm"), {QStringLiteral("-rf"), at("raw")}), 0);
  }

  // A folder nobody may list, walked by a user who is not its owner.
  void anUnlistableFolder() {
    if (::getuid() != 0) QSKIP("needs root, to walk as another user");
    QTemporaryDir shared;
    QVERIFY(QFile::setPermissions(
        shared.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner |
                           QFileDevice::ReadOther | QFileDevice::ExeOther));
    QVERIFY(writeFile(shared.filePath("tables/tags.txt"), kTags));
    QVERIFY(writeFile(shared.filePath("tables/param.txt"), kParams));
    QVERIFY(writeFile(shared.filePath("open/a.csm"), "x = \"zmod\"\r\n"));
    QVERIFY(writeFile(shared.filePath("closed/b.csm"), "x = \"zmod\"\r\n"));
    QVERIFY(QFile::setPermissions(shared.filePath("closed"), QFileDevice::ReadOwner));
    ScanInvocation how;
    how.program = QStringLiteral("setpriv");
    how.arguments = QStringList{"--reuid=65534",  "--regid=65534", "--clear-groups",
                                VORNEL_SCAN_PATH, "--tables",      "tables",
                                "--format",       "gcc",           "."};
    how.workingFolder = shared.path();
    const ScanRunResult run = runScan(how);
    QCOMPARE(run.out, QByteArray("open/a.csm:1:5: warning: Zoom mode [zmod]\n"));
    QVERIFY2(run.err.startsWith("vornel-scan: closed: Permission denied\n"), qPrintable(run.err));
    QCOMPARE(run.exitCode, 2);
  }

  // Many scripts on 1 to 7 threads: the same report, byte for byte.
  void anyNumberOfThreads() {
    QRandomGenerator random(17);
    const char* const lines[] = {"x = \"zmod\"\r\n", "GetFileTag(\"ownr\")\r\n", "wait(1)\r\n",
                                 "# \"zmod\"\r\n"};
    for (int i = 0; i < 300; ++i) {
      QByteArray script;
      for (int l = random.bounded(30); l > 0; --l) script += lines[random.bounded(4)];
      const QString name =
          QStringLiteral("many/%1/%2/s%3.csm").arg(random.bounded(5)).arg(random.bounded(5)).arg(i);
      QVERIFY(writeFile(at(name), script));
    }
    for (const QString format : {"classic", "json", "sarif"}) {
      const ScanRunResult one = scan({"-j", "1", "--format", format, "many"});
      QCOMPARE(one.exitCode, 1);
      for (const QString jobs : {"2", "7"}) {
        const ScanRunResult more = scan({"-j", jobs, "--format", format, "many"});
        QCOMPARE(more.out, one.out);
        QCOMPARE(more.err, one.err);
      }
    }
  }
};

QTEST_GUILESS_MAIN(ScanPathsTest)
#include "test_scan_paths.moc"
