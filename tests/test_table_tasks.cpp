// vornel-scan on the tables themselves: --check-tables, --list-codes and
// --explain.

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTest>

#include "RunScan.h"

class TableTasksTest : public QObject {
  Q_OBJECT

 private:
  QTemporaryDir dir_;
  QString at(const QString& name) const { return dir_.filePath(name); }

 private slots:
  void initTestCase() {
    QVERIFY(dir_.isValid());
    QVERIFY(writeFile(at("f/tags.txt"), "\"zmod\",\"Zoom tag\",t\r\n"));
    QVERIFY(writeFile(at("f/param.txt"), "\"zmod\",\"Zoom\",range\r\nzmo,m,\r\n"));
    QVERIFY(writeFile(at("f.vornel-scan"), "tables = f\nformat = gitlab\n"));
    QVERIFY(writeFile(at("s.vornel-scan"),
                      "tables = f\nignore = tags/zmod\nseverity = zmod:info, "
                      "params/zmod:error, line-ends:info\n"));
  }

  // Each table task in each format it writes, run in the tables' parent
  // folder: what the output shows, what it never does (`@` the folder).
  void inEveryFormat_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QByteArray>("shows");
    QTest::addColumn<QByteArrayList>("never");
    QTest::addColumn<int>("exitCode");
    const QStringList gone{"--check-tables", "--tables", "gone", "--format"};
    QTest::newRow("a finding, named in the folder as given")
        << QStringList{"--check-tables", "--tables", "./f/", "--format", "gcc"}
        << QByteArray("f/param.txt:2:1: warning: code 'zmo' has 3") << QByteArrayList{"@/"} << 1;
    QTest::newRow("a finding in the project file's format and folder")
        << QStringList{"--check-tables", "--config", "f.vornel-scan"}
        << QByteArray(R"("location":{"path":"f/param.txt","lines":{"begin":2}})")
        << QByteArrayList{"@/"} << 1;
    QTest::newRow("gcc, a table missing")
        << gone + QStringList{"gcc"}
        << QByteArray("gone/tags.txt: error: No such file or directory [fault]\n")
        << QByteArrayList{"@/", ":0"} << 2;
    QTest::newRow("classic, a table missing")
        << gone + QStringList{"classic"}
        << QByteArray("gone/param.txt: error: No such file or directory\n") << QByteArrayList{":0"}
        << 2;
    QTest::newRow("github, a table missing")
        << gone + QStringList{"github"}
        << QByteArray("::error file=gone/tags.txt,title=fault::No such file or directory\n")
        << QByteArrayList{"line=0"} << 2;
    QTest::newRow("json, a table missing")
        << gone + QStringList{"json"}
        << QByteArray(R"({"path":"gone/tags.txt","rule":"fault","severity":"error")")
        << QByteArrayList{":0"} << 2;
    QTest::newRow("sarif, a table missing")
        << gone + QStringList{"sarif"}
        << QByteArray(R"("gone/tags.txt","uriBaseId":"SRCROOT"},"region":{"byteOffset":0,)")
        << QByteArrayList{"startLine"} << 2;
    QTest::newRow("gitlab, a table missing")
        << gone + QStringList{"gitlab"}
        << QByteArray(R"("location":{"path":"gone/tags.txt","lines":{"begin":1}})")
        << QByteArrayList{":0"} << 2;
    QTest::newRow("codes, a project's format they do not write passed over")
        << QStringList{"--list-codes", "--config", "f.vornel-scan"}
        << QByteArray("zmod  params  Zoom\n") << QByteArrayList{} << 0;
    QTest::newRow("codes, named in the folder as given")
        << QStringList{"--list-codes", "--tables", "f", "--format", "gcc"}
        << QByteArray("f/param.txt:1:1: note: zmod: Zoom\n") << QByteArrayList{"@/"} << 0;
    QTest::newRow("explain a row's rule")
        << QStringList{"--explain", "params/zmod", "--tables", "f"}
        << QByteArray("'zmod' in params, f/param.txt line 1\n") << QByteArrayList{"in tags"} << 0;
    QTest::newRow("explain, a project's format it does not write passed over")
        << QStringList{"--explain", "zmod", "--config", "f.vornel-scan"}
        << QByteArray("'zmod' in tags, f/tags.txt line 1\n") << QByteArrayList{} << 0;
    // The severity in force under the project's settings, and what it leaves out.
    const QStringList project{"--config", "s.vornel-scan"};
    QTest::newRow("explain, a code's rows as the project file has them")
        << QStringList{"--explain", "zmod"} + project
        << QByteArray(
               "  note: t\n  severity: info (not reported: disabled in s.vornel-scan)\n"
               "'zmod' in params, f/param.txt line 1\n  message: Zoom\n  note: range\n"
               "  severity: error\n")
        << QByteArrayList{} << 0;
    QTest::newRow("explain, a rule as the project file has it")
        << QStringList{"--explain", "line-ends"} + project << QByteArray("  severity: info\n")
        << QByteArrayList{"not reported"} << 0;
    QTest::newRow("explain, a row as --select leaves it out")
        << QStringList{"--explain", "params/zmod", "--select", "tags/"} + project
        << QByteArray("  severity: error (not reported: not selected by --select)\n")
        << QByteArrayList{} << 0;
    QTest::newRow("explain in json")
        << QStringList{"--explain", "zmod", "--format", "json"} + project
        << QByteArray(R"("line":1,"severity":"info","notReported":"disabled in s.vornel-scan"})")
        << QByteArrayList{} << 0;
    QTest::newRow("explain a row's rule that no row has")
        << QStringList{"--explain", "tags/qqqq", "--tables", "f"}
        << QByteArray("'qqqq' is not in tags\n") << QByteArrayList{} << 1;
  }

  void inEveryFormat() {
    QFETCH(QStringList, arguments);
    QFETCH(QByteArray, shows);
    QFETCH(QByteArrayList, never);
    QFETCH(int, exitCode);
    const ScanRunResult run = runScan(arguments, dir_.path());
    QVERIFY2(run.out.contains(shows), run.out.constData());
    for (QByteArray text : never) {
      text.replace("@", dir_.path().toUtf8());
      QVERIFY2(!run.out.contains(text), run.out.constData());
    }
    QCOMPARE(run.err, QString());
    QCOMPARE(run.exitCode, exitCode);
  }

  // What a table check finds, line by line, and its exit status.
  void checkTables_data() {
    QTest::addColumn<QByteArray>("tags");
    QTest::addColumn<QByteArray>("params");
    QTest::addColumn<QStringList>("findings");
    QTest::addColumn<int>("exitCode");
    const QByteArray tags = "\"ownr\",\"Owner\",none\r\n";
    const QByteArray params = "\"zmod\",\"Zoom\",range\r\n";
    QTest::newRow("clean") << tags << params << QStringList{} << 0;
    QTest::newRow("codes of 3, 4 and 5 characters")
        << tags << QByteArray("zmo,m,\r\nzmod,m,\r\nzmodx,m,\r\n")
        << QStringList{"param.txt:1:1: warning: code 'zmo' has 3 characters; only a code of 4 can "
                       "match [code-length]",
                       "param.txt:3:1: warning: code 'zmodx' has 5 characters; only a code of 4 "
                       "can match [code-length]"}
        << 1;
    QTest::newRow("characters no statement keeps")
        << QByteArray("a#cd,m,n\r\n\"ab\tc\",m,n\r\n\" abc\",m,n\r\n\"a, c\",m,n\r\n\"ab c\",m,n\r\n")
        << params
        << QStringList{
               "tags.txt:1:1: warning: code 'a#cd' can never match: a statement ends where '#' "
               "starts a comment [never-matches]",
               "tags.txt:2:1: warning: code 'ab\\x09c' can never match: a statement drops the "
               "character U+0009 [never-matches]",
               "tags.txt:3:1: warning: code ' abc' can never match: a statement keeps a space "
               "only between two ASCII letters or digits [never-matches]",
               "tags.txt:4:1: warning: code 'a, c' can never match: a statement keeps a space "
               "only between two ASCII letters or digits [never-matches]"}
        << 1;
    // Control characters: below a space, and DEL; not a space or '~'.
    QTest::newRow("a quotation mark and control characters")
        << QByteArray("a\"cd,m,n\r\na\x0b" "cd,m,n\r\na\x1f" "cd,m,n\r\na~cd,m,n\r\n"
                      "a\x7f" "cd,m,n\r\n")
        << params
        << QStringList{"tags.txt:1:1: warning: code 'a\"cd' holds a quotation mark: it matches "
                       "only where a quoted text ends inside it [quote]",
                       "tags.txt:2:1: warning: code 'a\\x0bcd' holds a control character "
                       "[control-character]",
                       "tags.txt:3:1: warning: code 'a\\x1fcd' holds a control character "
                       "[control-character]",
                       "tags.txt:5:1: warning: code 'a\\x7fcd' holds a control character "
                       "[control-character]"}
        << 1;
    QTest::newRow("listed twice, and in both tables")
        << tags + "\"ownr\",\"Again\",none\r\n" << params + "\"ownr\",\"Owner param\",\r\n"
        << QStringList{"tags.txt:2:1: warning: code 'ownr' is listed on line 1 already: this "
                       "row is never reported [listed-twice]",
                       "param.txt:2:1: warning: code 'ownr' is in both tables (tags.txt line 1): "
                       "a parameter call reports this row, a tag call the tag's, and a line with "
                       "= and no call name both, this one first [in-both-tables]"}
        << 1;
    // Each code once in each table, the tag's not on its first line: told
    // once, at the first parameter row, naming the tag's line.
    QTest::newRow("in both tables, and twice in one")
        << tags + "\"zmod\",\"Zoom tag\",t\r\n"
        << params + "\"isoa\",\"ISO\",\r\n\"zmod\",\"Again\",\r\n"
        << QStringList{"param.txt:3:1: warning: code 'zmod' is listed on line 1 already: this "
                       "row is never reported [listed-twice]",
                       "param.txt:1:1: warning: code 'zmod' is in both tables (tags.txt line 2): "
                       "a parameter call reports this row, a tag call the tag's, and a line with "
                       "= and no call name both, this one first [in-both-tables]"}
        << 1;
    // Where the line goes wrong, in code points: text after a closing
    // quote, and a field missing at the line's end.
    QTest::newRow("both tables refused, at the column")
        << QByteArray(
               "\"\xc3\xa4"
               "bcd\"x,m,n\r\n")
        << QByteArray("zmod,\"Zoom\"\r\n")
        << QStringList{"tags.txt:1:7: error: field 1: text after the closing quote [fault]",
                       "param.txt:1:12: error: expected a comma after the message (an empty note "
                       "still needs it) [fault]"}
        << 2;
    QTest::newRow("a table refused, the other checked")
        << QByteArray("a,b,c,d\r\n") << QByteArray("zmo,m,\r\n")
        << QStringList{"tags.txt:1:7: error: expected 3 fields, found 4 [fault]",
                       "param.txt:1:1: warning: code 'zmo' has 3 characters; only a code of 4 "
                       "can match [code-length]"}
        << 2;
  }

  void checkTables() {
    QFETCH(QByteArray, tags);
    QFETCH(QByteArray, params);
    QFETCH(QStringList, findings);
    QFETCH(int, exitCode);
    QVERIFY(writeFile(at("t/tags.txt"), tags));
    QVERIFY(writeFile(at("t/param.txt"), params));
    const ScanRunResult run =
        runScan({"--check-tables", "--tables", at("t"), "--format", "gcc"}, dir_.path());
    QStringList seen = QString::fromUtf8(run.out).split(u'\n', Qt::SkipEmptyParts);
    seen.replaceInStrings(at("t") + "/", QString());
    QCOMPARE(seen, findings);
    QCOMPARE(run.exitCode, exitCode);
    const ScanRunResult json =
        runScan({"--check-tables", "--tables", at("t"), "--format", "json"}, dir_.path());
    QCOMPARE(QJsonDocument::fromJson(json.out)["findings"].toArray().size(), findings.size());
  }

  // What a check of the tables tells when it finds nothing: a person reading
  // it learns that it ran, and on how many rows; a program gets no finding.
  void cleanTables_data() {
    QTest::addColumn<QByteArray>("tags");
    QTest::addColumn<QByteArray>("params");
    QTest::addColumn<QString>("format");
    QTest::addColumn<QByteArray>("out");
    QTest::addColumn<int>("exitCode");
    const QByteArray tag = "\"ownr\",\"Owner\",none\r\n";
    const QByteArray params = "\"zmod\",\"Zoom\",range\r\n\"isoa\",\"ISO\",\r\n\"shsp\",\"S\",\r\n";
    QTest::newRow("rows of each") << tag + "\"expo\",\"Exposure\",\r\n"
                                  << params << "classic"
                                  << QByteArray("tables are clean: 2 tags, 3 parameters\n") << 0;
    QTest::newRow("one row of each") << tag << QByteArray("\"zmod\",\"Zoom\",\n") << "classic"
                                     << QByteArray("tables are clean: 1 tag, 1 parameter\n") << 0;
    QTest::newRow("empty tables") << QByteArray() << QByteArray() << "classic"
                                  << QByteArray("tables are clean: 0 tags, 0 parameters\n") << 0;
    QTest::newRow("a finding, no such line")
        << tag + tag << params << "classic"
        << QByteArray(
               "@/tags.txt:2: code 'ownr' is listed on line 1 already: this row is never "
               "reported\n")
        << 1;
    QTest::newRow("gcc") << tag << params << "gcc" << QByteArray() << 0;
    QTest::newRow("github") << tag << params << "github" << QByteArray() << 0;
    QTest::newRow("json") << tag << params << "json"
                          << QByteArray("{\"version\":1,\"findings\":[\n]}\n") << 0;
  }

  void cleanTables() {
    QFETCH(QByteArray, tags);
    QFETCH(QByteArray, params);
    QFETCH(QString, format);
    QFETCH(QByteArray, out);
    QFETCH(int, exitCode);
    QVERIFY(writeFile(at("c/tags.txt"), tags));
    QVERIFY(writeFile(at("c/param.txt"), params));
    const ScanRunResult run =
        runScan({"--check-tables", "--tables", at("c"), "--format", format}, dir_.path());
    QCOMPARE(run.out, out.replace("@", at("c").toUtf8()));
    QCOMPARE(run.err, QString());
    QCOMPARE(run.exitCode, exitCode);
  }

  void lookUp() {
    QVERIFY(writeFile(at("l/tags.txt"), "\"ownr\",\"Owner\",none\r\n\"zmod\",\"Zoom tag\",t\r\n"));
    QVERIFY(writeFile(at("l/param.txt"), "\"zmod\",\"Zoom\",range 0, 1\r\n"));
    ScanRunResult run = runScan({"--list-codes", "--tables", at("l")});
    QCOMPARE(run.out,
             QByteArray("ownr  tags    Owner\nzmod  tags    Zoom tag\nzmod  params  Zoom\n"));
    QCOMPARE(run.exitCode, 0);
    run = runScan({"--list-codes", "--tables", at("l"), "--format", "json"});
    QCOMPARE(QJsonDocument::fromJson(run.out)["codes"][2].toObject(),
             (QJsonObject{{"code", "zmod"},
                          {"table", "params"},
                          {"message", "Zoom"},
                          {"note", "range 0, 1"},
                          {"path", at("l/param.txt")},
                          {"line", 1}}));
    run = runScan({"--explain", "zmod", "--tables", at("l")});
    QCOMPARE(QString::fromUtf8(run.out),
             QStringLiteral("'zmod' in tags, %1 line 2\n  message: Zoom tag\n  note: t\n"
                            "  severity: warning\n'zmod' in params, %2 line 1\n  message: Zoom\n"
                            "  note: range 0, 1\n  severity: warning\n")
                 .arg(at("l/tags.txt"), at("l/param.txt")));
    // A path or a message that holds a place holder of the explanation's
    // own text stays as written.
    QVERIFY(writeFile(at("p%4/tags.txt"), "\"ownr\",\"Owner %1\",%5\r\n"));
    QVERIFY(writeFile(at("p%4/param.txt"), ""));
    run = runScan({"--explain", "ownr", "--tables", at("p%4")});
    QCOMPARE(QString::fromUtf8(run.out),
             QStringLiteral("'ownr' in tags, %1 line 1\n  message: Owner %1\n  note: %5\n"
                            "  severity: warning\n")
                 .replace(QStringLiteral("%1 line"), at("p%4/tags.txt") + QStringLiteral(" line")));
    run = runScan({"--explain", "qqqq", "--tables", at("l")});
    QCOMPARE(run.out, QByteArray("'qqqq' is in no table\n"));
    QCOMPARE(run.exitCode, 1);
    run = runScan({"--explain", "zmod", "--tables", at("l"), "--format", "sarif"});
    QCOMPARE(run.err, QStringLiteral("vornel-scan: --explain writes classic or json, not sarif\n"));
    QCOMPARE(run.exitCode, 2);
  }
};

QTEST_GUILESS_MAIN(TableTasksTest)
#include "test_table_tasks.moc"
