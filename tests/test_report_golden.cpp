// Every report format, in-process, fed one fixture that holds a diagnostic
// of every kind: table alerts of both tables, alerts silenced by a
// directive, by the project and by the baseline, a comment that is no
// directive, directives that silence nothing or name an unknown code, a
// script that cannot be read, a script named by an absolute path, a byte
// that is no ASCII, and CR LF, CR and LF line ends, the lone LF told of
// by the line-ends rule. What each
// format writes is compared, decoded, with its golden file in
// tests/data/golden.

#include <algorithm>

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QTemporaryDir>
#include <QTest>

#include "Baseline.h"
#include "FakePlatform.h"
#include "ListedScripts.h"
#include "ReportFormat.h"
#include "ReportOutput.h"
#include "ScanRun.h"
#include "ScriptCheck.h"

namespace {

const QString kGolden = QStringLiteral(VORNEL_SOURCE_DIR "/tests/data/golden/");

Tables fixtureTables() {
  ReferenceTableBuilder params;
  const auto row = [](ReferenceTableBuilder& b, const char* code, const char* message,
                      const char* note, qint64 line) {
    b.addRow(b.addText(QString::fromUtf8(code)), b.addText(QString::fromUtf8(message)),
             b.addText(QString::fromUtf8(note)), line);
  };
  row(params, "zmod", "Zoom mode resets, 100% sure: check it", "range 0, 1 or 2", 1);
  row(params, "isoa", "Auto ISO\x1b[31m red\x1f", "", 2);
  row(params, "nomg", "", "a row with no message", 3);
  ReferenceTableBuilder tags;
  row(tags, "ownr", "Owner tag", "", 1);
  Tables tables;
  tables.params = params.build();
  tables.tags = tags.build();
  tables.paramsPath = QStringLiteral("tables/param.txt");
  tables.tagsPath = QStringLiteral("tables/tags.txt");
  return tables;
}

// Lines 1-3 end in CR LF, line 4 in CR alone, line 5 in LF alone (which
// does not end a statement), the rest in CR LF.
const QByteArray kScriptA =
    "x = \"zmod\" + \"nomg\"\r\n"
    "f = GetFileTag(\"ownr\") # vornel-scan: disable=ownr -- legacy camera\r\n"
    "# vornel-scan: enable=zmod\r\n"
    "y = \"isoa\" # vornel-scan: disable=zmod,qqqq\r"
    "a = 1\n"
    "z = \"zmod\"\r\n"
    "w = \"zmod\"\r\n";
const QByteArray kScriptB =
    "f = GetFileTag(\"ownr\")\r\n"
    "v = \"zmod\"\r\n"
    "v = \"zmod\"\r\n"
    "n = \"nomg\"\r\n";

// What the run tells on standard error, as lines.
class Told : public RunMessages {
 public:
  void scriptDone(const QString&, qint64, const QString&) override {}
  void pathFailed(const ScriptFailure& failure) override {
    lines.append(failure.path + QStringLiteral(": ") + failure.reason);
  }
  void linkPassedOver(const ScriptFailure& link) override {
    lines.append(link.path + QStringLiteral(": link not followed: ") + link.reason);
  }
  void diagnostic(const Diagnostic& d) override {
    lines.append(QStringLiteral("%1:%2:%3: %4 [%5]")
                     .arg(d.path)
                     .arg(d.line)
                     .arg(d.column)
                     .arg(d.message(), d.ruleId()));
  }
  QStringList lines;
};

struct Report {
  QByteArray out;
  QStringList told;
  RunTotals totals;
};

Report runFixture(const QString& formatName, const QString& outputFile) {
  const Tables tables = fixtureTables();
  FakeFileSystem files;
  files.add(QStringLiteral("shots/a.csm"), kScriptA);
  files.add(QStringLiteral("shots/b.csm"), kScriptB);
  files.failOpen(QStringLiteral("gone.csm"), QStringLiteral("No such file or directory"));
  // A path given as an absolute one below the working folder.
  files.add(QStringLiteral("/project/s/c.csm"), "\xc3\xa9=\"zmod\"\r\n");

  Baseline baseline;
  baseline.setFolder(QDir::currentPath());
  Diagnostic old;
  old.table = TableKind::Params;
  old.row = &tables.params.row(0);
  old.statement = QStringLiteral("v=\"zmod\"");
  baseline.add(QStringLiteral("shots/b.csm"), {{Baseline::keyOf(old), 1}});

  CheckSettings settings;
  settings.directives = true;
  settings.unusedDisables = true;
  RuleChoice project;
  project.ignore = {{QStringLiteral("ownr"), QStringLiteral(".vornel-scan:1")}};
  project.ignoredBecause = QStringLiteral("disabled in .vornel-scan");
  QString error;
  if (!RuleSelection::make(tables, {project}, {}, &settings.rules, &error))
    qFatal("%s", qPrintable(error));
  settings.baseline = &baseline;
  settings.tellLoneLineFeeds = true;
  const ScriptScanner scanner(tables);
  const ScriptCheck check(scanner, tables, settings);

  RunFacts facts;
  facts.toolName = QStringLiteral("vornel-scan");
  facts.toolVersion = QStringLiteral("1.0");
  facts.toolInformationUri = QStringLiteral(PROJECT_HOMEPAGE_URL);
  facts.tables = &tables;
  facts.workingFolder = QStringLiteral("/project");
  const std::unique_ptr<ReportFormat> format = makeReportFormat(formatName, facts);

  Report report;
  ReportOutput output;
  if (!output.openFile(outputFile)) qFatal("%s", qPrintable(output.error()));
  ScanRun run(check, *format, files, nullptr, RunSettings());
  ListedScripts walk({QStringLiteral("shots/a.csm"), QStringLiteral("gone.csm"),
                      QStringLiteral("shots/b.csm"), QStringLiteral("/project/s/c.csm")});
  Told told;
  report.totals = run.run(walk, output, told);
  if (!output.finish()) qFatal("%s", qPrintable(output.error()));
  QFile written(outputFile);
  if (!written.open(QIODevice::ReadOnly)) qFatal("cannot read %s", qPrintable(outputFile));
  report.out = written.readAll();
  report.told = told.lines;
  return report;
}

QByteArray readGolden(const QString& name) {
  QFile file(kGolden + name);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

}  // namespace

class ReportGoldenTest : public QObject {
  Q_OBJECT

 private:
  QTemporaryDir dir_;

 private slots:
  void formats_data() {
    QTest::addColumn<QString>("format");
    QTest::addColumn<bool>("json");
    for (const char* name : {"classic", "gcc", "github"}) QTest::newRow(name) << name << false;
    for (const char* name : {"json", "sarif", "gitlab"}) QTest::newRow(name) << name << true;
  }

  void formats() {
    QFETCH(QString, format);
    QFETCH(bool, json);
    const Report report = runFixture(format, dir_.filePath(format));
    // Standard error's lines follow the report's in the golden file.
    QByteArray actual = report.out;
    if (!report.told.isEmpty())
      actual += "--- told aside\n" + report.told.join(u'\n').toUtf8() + '\n';
    if (qEnvironmentVariableIsSet("VORNEL_WRITE_GOLDEN")) {
      QFile out(kGolden + format);
      QVERIFY(out.open(QIODevice::WriteOnly));
      QCOMPARE(out.write(actual), actual.size());
    }
    const QByteArray golden = readGolden(format);
    QVERIFY2(!golden.isEmpty(), qPrintable(kGolden + format));
    const qsizetype aside = golden.indexOf("--- told aside\n");
    const QByteArray goldenReport = aside < 0 ? golden : golden.first(aside);
    QCOMPARE(report.told.join(u'\n'),
             aside < 0 ? QString() : QString::fromUtf8(golden.sliced(aside + 15)).trimmed());
    if (json) {
      QJsonParseError error;
      const QJsonDocument got = QJsonDocument::fromJson(report.out, &error);
      QVERIFY2(error.error == QJsonParseError::NoError, qPrintable(error.errorString()));
      QCOMPARE(got, QJsonDocument::fromJson(goldenReport));
      // Qt reads a raw control character in a string; strict readers such
      // as Python's refuse the whole report.
      QVERIFY(std::none_of(report.out.cbegin(), report.out.cend(),
                           [](char c) { return c != '\n' && uchar(c) < 0x20; }));
    } else {
      QCOMPARE(QString::fromUtf8(report.out).split(u'\n'),
               QString::fromUtf8(goldenReport).split(u'\n'));
    }
  }

  // The totals that decide the exit status are the same whatever the format.
  void totals() {
    for (const char* name : {"classic", "gcc", "json", "sarif", "github", "gitlab"}) {
      const RunTotals totals = runFixture(QString::fromLatin1(name), dir_.filePath(name)).totals;
      QCOMPARE(totals.alerts, 7);
      QCOMPARE(totals.scriptsWithLinesJoined, 1);  // which fails a run, though no alert
      QCOMPARE(totals.silenced, 3);
      QCOMPARE(totals.directiveWarnings, 2);
      QCOMPARE(totals.scripts, 3);
      QCOMPARE(totals.scriptsWithAlerts, 3);
      QCOMPARE(totals.failures.size(), 1);
    }
  }
};

QTEST_GUILESS_MAIN(ReportGoldenTest)
#include "test_report_golden.moc"
