// vornel-scan writes nothing but its report and baseline: every call that
// could change a file is traced, in every mode, over read-only scripts,
// tables and folders and a write-protected working folder.

#include <QDirIterator>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include "RunScan.h"

namespace {

// The system calls that create, change or remove a file.
const char kChanges[] =
    "trace=open,openat,creat,rename,renameat,renameat2,unlink,unlinkat,mkdir,mkdirat,rmdir,link,"
    "linkat,symlink,symlinkat,truncate,chmod,fchmodat,chown,fchownat,utimensat";

// Runs vornel-scan under strace; returns its result and, in `changed`, the
// paths of every call above that could change something.
ScanRunResult traced(const QStringList& arguments, const QString& folder, const QString& log,
                     QStringList* changed, const QByteArray& input = {}) {
  ScanInvocation how;
  how.program = QStringLiteral("strace");
  how.arguments = QStringList{"-f", "-qq", "-e", kChanges, "-o", log, VORNEL_SCAN_PATH} + arguments;
  how.workingFolder = folder;
  how.standardInput = input;
  // LeakSanitizer cannot watch a traced process and fails the run instead.
  how.environment = QStringList{QStringLiteral("ASAN_OPTIONS=detect_leaks=0")};
  const ScanRunResult run = runScan(how);
  QFile trace(log);
  if (!trace.open(QIODevice::ReadOnly)) return {-1, {}, QStringLiteral("no trace")};
  static const QRegularExpression open(QStringLiteral("open(at)?\\(|creat\\("));
  static const QRegularExpression writing(QStringLiteral("O_WRONLY|O_RDWR|O_CREAT|O_TRUNC"));
  static const QRegularExpression quoted(QStringLiteral("\"([^\"]*)\""));
  for (const QByteArray& raw : trace.readAll().split('\n')) {
    const QString call = QString::fromUtf8(raw);
    if (call.isEmpty() || call.contains(QStringLiteral("= -1 E"))) continue;  // it failed
    if (call.contains(open) && !call.contains(writing)) continue;
    for (auto match = quoted.globalMatch(call); match.hasNext();)
      changed->append(match.next().captured(1));
  }
  return run;
}

}  // namespace

class NothingWrittenTest : public QObject {
  Q_OBJECT

 private:
  QTemporaryDir dir_;
  QString at(const QString& name) const { return dir_.filePath(name); }
  QString log() const { return QDir(outputs_.path()).filePath(QStringLiteral("trace.txt")); }
  QTemporaryDir outputs_;  // writable, for the report, the baseline and the traces

 private slots:
  void initTestCase() {
    QVERIFY(dir_.isValid() && outputs_.isValid());
    QVERIFY(writeFile(at("work/tables/tags.txt"), "\"ownr\",\"Owner tag\",none\r\n"));
    QVERIFY(writeFile(at("work/tables/param.txt"), "\"zmod\",\"Zoom mode\",range\r\n"));
    QVERIFY(writeFile(at("work/s/a.csm"), "x = \"zmod\" # vornel-scan: disable=ownr\r\n"));
    QVERIFY(writeFile(at("work/s/sub/b.csm"), "GetFileTag(\"ownr\")\r\n"));
    QVERIFY(writeFile(at("work/known.json"), "{\"version\": 1, \"alerts\": []}\n"));
    QVERIFY(writeFile(at("work/.vornel-scan"), "tables = tables\r\n"));
    // Every file read-only, every folder too, the working folder included.
    QDirIterator all(at("work"), QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot,
                     QDirIterator::Subdirectories);
    QStringList folders{at("work")};
    while (all.hasNext()) {
      const QString path = all.next();
      if (all.fileInfo().isDir()) {
        folders.append(path);
      } else {
        QVERIFY(QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadGroup));
      }
    }
    for (const QString& folder : folders) {
      QVERIFY(QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner));
    }
  }

  void cleanupTestCase() {
    QDirIterator all(at("work"), QDir::Dirs | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    QFile::setPermissions(at("work"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    while (all.hasNext())
      QFile::setPermissions(all.next(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
  }

  void aScanWritesNothing_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");
    QTest::newRow("one script") << QStringList{"s/a.csm"} << 1;
    QTest::newRow("a folder, gcc") << QStringList{"--format", "gcc", "s"} << 1;
    QTest::newRow("json on two threads") << QStringList{"--format", "json", "-j", "2", "s"} << 1;
    QTest::newRow("sarif") << QStringList{"--format", "sarif", "s"} << 1;
    QTest::newRow("gitlab, statistics")
        << QStringList{"--format", "gitlab", "--statistics", "s"} << 1;
    QTest::newRow("baseline") << QStringList{"--baseline", "known.json", "s"} << 1;
    QTest::newRow("unused disables") << QStringList{"--report-unused-disables", "s"} << 1;
    QTest::newRow("standard input") << QStringList{"--stdin-filename", "in.csm", "-"} << 1;
    QTest::newRow("table check") << QStringList{"--check-tables", "--format", "json"} << 0;
    QTest::newRow("codes") << QStringList{"--list-codes"} << 0;
    QTest::newRow("a code") << QStringList{"--explain", "zmod"} << 0;
    // Refused before anything is touched: a report already there stays.
    QTest::newRow("a report with a baseline")
        << QStringList{"-o", "@/report.json", "--write-baseline", "@/b.json", "s"} << 2;
  }

  void aScanWritesNothing() {
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    arguments.replaceInStrings(QStringLiteral("@"), outputs_.path());
    const QString report = QDir(outputs_.path()).filePath(QStringLiteral("report.json"));
    QVERIFY(writeFile(report, "kept\n"));
    QStringList changed;
    const ScanRunResult run = traced(arguments, at("work"), log(), &changed, "y = \"zmod\"\r\n");
    QVERIFY2(run.exitCode == exitCode, qPrintable(run.err));
    QCOMPARE(run.out.isEmpty(), exitCode == 2);
    QFile kept(report);
    QVERIFY(kept.open(QIODevice::ReadOnly) && kept.readAll() == "kept\n");
    // The trace itself is strace's own writing, not the program's.
    changed.removeAll(log());
    QCOMPARE(changed, QStringList{});
  }

  // The report file and the baseline are written beside their names and
  // renamed into place; nothing else is touched.
  void onlyTheReportAndTheBaselineAreWritten_data() {
    QTest::addColumn<QString>("option");
    QTest::newRow("--output") << "--output";
    QTest::newRow("--write-baseline") << "--write-baseline";
  }

  void onlyTheReportAndTheBaselineAreWritten() {
    QFETCH(QString, option);
    const QString target = QDir(outputs_.path()).filePath(QStringLiteral("written.txt"));
    QStringList changed;
    const ScanRunResult run =
        traced({option, target, "--format", "json", "s"}, at("work"), log(), &changed);
    QVERIFY2(run.exitCode == 0 || run.exitCode == 1, qPrintable(run.err));
    QVERIFY(QFile::exists(target));
    changed.removeAll(log());
    QVERIFY(!changed.isEmpty());
    // Written as a nameless file in the target's folder, then linked in.
    const QString folder = QFileInfo(target).path();
    for (const QString& path : changed) {
      QVERIFY2(path.startsWith(target) || path == folder || path.startsWith("/proc/self/fd/"),
               qPrintable(path));
    }
    QVERIFY(QFile::remove(target));
  }
};

QTEST_GUILESS_MAIN(NothingWrittenTest)
#include "test_nothing_written.moc"
