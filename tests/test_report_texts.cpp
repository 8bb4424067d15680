// What the formats make of the texts that a table and a file name bring:
// the github format escapes every control character, bidi ones too, so
// that a table cannot colour, rewrite or turn around a CI log, and a row
// without a message is shown by its code everywhere but in the desktop
// program's classic lines.
// In-process, one script at a time, through the report a run writes.

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include "FakePlatform.h"
#include "ListedScripts.h"
#include "ReportFormat.h"
#include "ReportOutput.h"
#include "ScanRun.h"
#include "ScriptCheck.h"

namespace {

class Unheard : public RunMessages {
 public:
  void scriptDone(const QString&, qint64, const QString&) override {}
  void pathFailed(const ScriptFailure&) override {}
  void linkPassedOver(const ScriptFailure&) override {}
  void diagnostic(const Diagnostic&) override {}
};

// The report of `format` on a script at `path` that names `code` once,
// with a params table whose one row gives `code` and `message`.
QByteArray reportOf(const QString& format, const QString& path, const QString& code,
                    const QString& message, const QString& outputFile) {
  ReferenceTableBuilder params;
  params.addRow(params.addText(code), params.addText(message), params.addText(QString()), 1);
  Tables tables;
  tables.params = params.build();
  tables.tags = ReferenceTableBuilder().build();
  tables.paramsPath = QStringLiteral("param.txt");
  tables.tagsPath = QStringLiteral("tags.txt");

  FakeFileSystem files;
  files.add(path, "x = \"" + code.toUtf8() + "\"\r\n");
  const ScriptScanner scanner(tables);
  const ScriptCheck check(scanner, tables, CheckSettings());
  RunFacts facts;
  facts.toolName = QStringLiteral("vornel-scan");
  facts.toolVersion = QStringLiteral("1.0");
  facts.tables = &tables;
  facts.workingFolder = QStringLiteral("/project");
  const std::unique_ptr<ReportFormat> writer = makeReportFormat(format, facts);
  ReportOutput output;
  if (!output.openFile(outputFile)) return "cannot open: " + output.error().toUtf8();
  ScanRun run(check, *writer, files, nullptr, RunSettings());
  ListedScripts walk({path});
  Unheard messages;
  run.run(walk, output, messages);
  if (!output.finish()) return "cannot write: " + output.error().toUtf8();
  QFile written(outputFile);
  return written.open(QIODevice::ReadOnly) ? written.readAll() : QByteArray("nothing written");
}

}  // namespace

class ReportTextsTest : public QObject {
  Q_OBJECT

 private:
  QTemporaryDir dir_;

 private slots:
  void githubEscapes_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("code");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QByteArray>("annotation");
    const QByteArray at = "::warning file=a.csm,line=1,col=5,endColumn=11,title=zmod::";
    QTest::newRow("plain") << "a.csm"
                           << "zmod"
                           << "Zoom: mode, set" << at + "Zoom: mode, set";
    QTest::newRow("percent, CR and LF") << "a.csm"
                                        << "zmod"
                                        << "100%\r\nsure" << at + "100%25%0D%0Asure";
    QTest::newRow("ESC of a colour") << "a.csm"
                                     << "zmod"
                                     << "\x1b[31mred\x1b[0m" << at + "%1B[31mred%1B[0m";
    QTest::newRow("every other C0 and DEL")
        << "a.csm"
        << "zmod" << QString::fromLatin1("\x01\x07\x08\t\x0b\x0c\x1f\x7f~")
        << at + "%01%07%08%09%0B%0C%1F%7F~";
    QTest::newRow("the first and last C0")
        << "a.csm"
        << "zmod" << QString(QChar(0)) + QStringLiteral("x\x1f") << at + "%00x%1F";
    QTest::newRow("C1 and bidi controls, each byte, but nothing past them")
        << "a.csm"
        << "zmod" << u"caf\u00e9 \u0080\u009f\u061c\u200e\u202a\u202e\u2066\u2069\u00a0"_qs
        << at + "caf\xc3\xa9 "
                "%C2%80%C2%9F%D8%9C%E2%80%8E%E2%80%AA%E2%80%AE%E2%81%A6%E2%81%A9\xc2\xa0";
    QTest::newRow("a file name: `:` `,` and control characters")
        << "a:b,c\x1b\x7f\r.csm"
        << "zmod"
        << "m"
        << QByteArray(
               "::warning file=a%3Ab%2Cc%1B%7F%0D.csm,line=1,col=5,endColumn=11,"
               "title=zmod::m");
    QTest::newRow("a title: `:` `,` and control characters")
        << "a.csm"
        << "z\x1b:,"
        << "m" << QByteArray("::warning file=a.csm,line=1,col=5,endColumn=11,title=z%1B%3A%2C::m");
  }

  void githubEscapes() {
    QFETCH(QString, path);
    QFETCH(QString, code);
    QFETCH(QString, message);
    QFETCH(QByteArray, annotation);
    QCOMPARE(reportOf(QStringLiteral("github"), path, code, message, dir_.filePath("github")),
             annotation + '\n');
  }

  // A row whose message is empty: every format shows its code instead,
  // but the classic lines, which are the desktop program's report.
  void emptyMessage_data() {
    QTest::addColumn<QString>("format");
    QTest::addColumn<QByteArray>("shown");
    QTest::newRow("gcc") << "gcc" << QByteArray("a.csm:1:5: warning: nomg [nomg]\n");
    QTest::newRow("github") << "github" << QByteArray("title=nomg::nomg\n");
    QTest::newRow("json") << "json" << QByteArray("\"message\":\"nomg\"");
    QTest::newRow("sarif") << "sarif" << QByteArray("\"message\":{\"text\":\"nomg\"}");
    QTest::newRow("gitlab") << "gitlab" << QByteArray("\"description\":\"nomg\"");
    QTest::newRow("classic") << "classic" << QByteArray("a.csm:1 x=\"nomg\":  \n");
  }

  void emptyMessage() {
    QFETCH(QString, format);
    QFETCH(QByteArray, shown);
    const QByteArray report = reportOf(format, QStringLiteral("a.csm"), QStringLiteral("nomg"),
                                       QString(), dir_.filePath(format));
    QVERIFY2(report.contains(shown), report.constData());
  }
};

QTEST_GUILESS_MAIN(ReportTextsTest)
#include "test_report_texts.moc"
