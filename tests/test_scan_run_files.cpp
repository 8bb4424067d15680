// A run checks each file once, however many names its walk gives it (a
// name repeated, links, hard links), under the first name met, on any
// number of threads; a baseline it records counts each alert once.

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#include "Baseline.h"
#include "FakePlatform.h"
#include "ListedScripts.h"
#include "ReportOutput.h"
#include "ScanRun.h"
#include "ScriptCheck.h"
#include "TestTables.h"

namespace {

class Silent : public RunMessages {
 public:
  void scriptDone(const QString&, qint64, const QString&) override {}
  void pathFailed(const ScriptFailure&) override {}
  void linkPassedOver(const ScriptFailure&) override {}
  void diagnostic(const Diagnostic&) override {}
};

// `count` scripts without alerts, s/q0.csm and on.
QStringList quiet(int count) {
  QStringList names;
  for (int i = 0; i < count; ++i) names.append(QStringLiteral("s/q%1.csm").arg(i));
  return names;
}

}  // namespace

class ScanRunFilesTest : public QObject {
  Q_OBJECT

 private:
  QTemporaryDir dir_;

 private slots:
  void eachFileOnce_data() {
    QTest::addColumn<QStringList>("walk");
    QTest::addColumn<QStringList>("links");  // "name>path": name opens the file at path
    QTest::addColumn<QByteArray>("report");
    QTest::addColumn<qint64>("scripts");
    const QByteArray a = "s/a.csm:1:5: warning: param row 1 [zmod]\n";
    const QByteArray b =
        "s/b.csm:1:5: warning: param row 1 [zmod]\ns/b.csm:2:5: warning: param row 1 [zmod]\n";
    const QByteArray viaLink = "s/link.csm:1:5: warning: param row 1 [zmod]\n";
    QTest::newRow("every name once")
        << QStringList{"s/a.csm", "s/b.csm"} << QStringList{} << a + b << qint64(2);
    QTest::newRow("a name repeated") << QStringList{"s/a.csm", "s/b.csm", "s/a.csm", "s/b.csm"}
                                     << QStringList{} << a + b << qint64(2);
    QTest::newRow("a link after its file")
        << QStringList{"s/a.csm", "s/link.csm", "s/b.csm"} << QStringList{"s/link.csm>s/a.csm"}
        << a + b << qint64(2);
    QTest::newRow("a link first: its name is shown")
        << QStringList{"s/link.csm", "s/b.csm", "s/a.csm"} << QStringList{"s/link.csm>s/a.csm"}
        << viaLink + b << qint64(2);
    QTest::newRow("two names, neither the file's own")
        << QStringList{"s/b.csm", "s/hard.csm", "s/link.csm"}
        << QStringList{"s/hard.csm>s/a.csm", "s/link.csm>s/a.csm"}
        << b + "s/hard.csm:1:5: warning: param row 1 [zmod]\n"
        << qint64(2);
    // Far enough apart that other threads take the later names, and may
    // open them first.
    QTest::newRow("names far apart")
        << QStringList{"s/a.csm"} + quiet(30) + QStringList{"s/link.csm"} + quiet(30) +
               QStringList{"s/b.csm", "s/a.csm", "s/link.csm", "s/b.csm"} + quiet(40)
        << QStringList{"s/link.csm>s/a.csm"} << a + b << qint64(2 + 40);
    QTest::newRow("a later name first among far ones")
        << quiet(20) + QStringList{"s/link.csm"} + quiet(20) + QStringList{"s/a.csm"}
        << QStringList{"s/link.csm>s/a.csm"} << viaLink << qint64(1 + 20);
  }

  void eachFileOnce() {
    QFETCH(QStringList, walk);
    QFETCH(QStringList, links);
    QFETCH(QByteArray, report);
    QFETCH(qint64, scripts);
    const Tables tables = makeTables({QStringLiteral("zmod")}, {QStringLiteral("ownr")});
    FakeFileSystem files;
    files.add(QStringLiteral("s/a.csm"), "x = \"zmod\"\r\n");
    files.add(QStringLiteral("s/b.csm"), "x = \"zmod\"\r\ny = \"zmod\"\r\n");
    for (const QString& name : quiet(40)) files.add(name, "wait(1)\r\n");
    for (const QString& link : links)
      files.addName(link.section(u'>', 0, 0), link.section(u'>', 1));
    const ScriptScanner scanner(tables);
    const ScriptCheck check(scanner, tables, CheckSettings());
    RunFacts facts;
    facts.tables = &tables;
    const std::unique_ptr<ReportFormat> format = makeReportFormat(QStringLiteral("gcc"), facts);
    // The baseline holds the alerts the report shows, no more.
    const qint64 alerts = qint64(report.count('\n'));
    for (const int jobs : {1, 2, 4}) {
      Baseline recorded;
      recorded.setFolder(QDir::currentPath());
      RunSettings settings;
      settings.jobs = jobs;
      settings.record = &recorded;
      ScanRun run(check, *format, files, nullptr, settings);
      ListedScripts entries(walk);
      const QString out = dir_.filePath(QStringLiteral("report-%1").arg(jobs));
      ReportOutput output;
      QVERIFY(output.openFile(out));
      Silent silent;
      const RunTotals totals = run.run(entries, output, silent);
      QVERIFY(output.finish());
      QFile written(out);
      QVERIFY(written.open(QIODevice::ReadOnly));
      QCOMPARE(written.readAll(), report);
      QCOMPARE(totals.scripts, scripts);
      QCOMPARE(totals.alerts, alerts);
      QCOMPARE(recorded.alerts(), alerts);
    }
  }
};

QTEST_GUILESS_MAIN(ScanRunFilesTest)
#include "test_scan_run_files.moc"
