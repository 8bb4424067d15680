// The bash completion of vornel-scan, sourced into a real bash and asked as
// bash asks it when Tab is pressed: options, --format and --color values,
// folders for --tables, rule names and table codes for --explain, .csm
// scripts and folders as paths.

#include <QTemporaryDir>
#include <QTest>

#include <QFileInfo>

#include "ProgramOptions.h"
#include "Rules.h"
#include "RunScan.h"

namespace {

const QString kCompletion = QStringLiteral(VORNEL_SOURCE_DIR "/packaging/vornel-scan.bash");

// Sources the completion, finds the function it registered for vornel-scan,
// calls it with the words of a command line being typed, the last one under
// the cursor, and prints the candidates one a line.
const char* const kAsk =
    "source \"$0\" || exit 3\n"
    "registered=$(complete -p vornel-scan) || exit 4\n"
    "fn=${registered#*-F }; fn=${fn%% *}\n"
    "COMP_WORDS=(\"$@\"); COMP_CWORD=$(($# - 1))\n"
    "COMP_LINE=\"$*\"; COMP_POINT=${#COMP_LINE}\n"
    "\"$fn\" vornel-scan \"${COMP_WORDS[COMP_CWORD]}\" \"${COMP_WORDS[COMP_CWORD - 1]}\"\n"
    "printf '%s\\n' \"${COMPREPLY[@]}\"\n";

}  // namespace

class TestBashCompletion : public QObject {
  Q_OBJECT

 private:
  QTemporaryDir folder_;

  // The candidates for `words`, sorted, asked in the test's folder.
  QStringList complete(const QStringList& words) {
    ScanInvocation how;
    how.program = QStringLiteral("bash");
    how.arguments = QStringList{QStringLiteral("--norc"), QStringLiteral("--noprofile"),
                                QStringLiteral("-c"), QString::fromLatin1(kAsk), kCompletion} +
                    words;
    how.workingFolder = folder_.path();
    // The vornel-scan being completed is the one built here, found on the
    // PATH as an installed one is.
    how.environment = {QStringLiteral("PATH=") +
                       QFileInfo(QStringLiteral(VORNEL_SCAN_PATH)).path() + u':' +
                       qEnvironmentVariable("PATH")};
    const ScanRunResult run = runScan(how);
    if (run.exitCode != 0 || !run.err.isEmpty())
      return {QStringLiteral("bash failed (%1): %2").arg(run.exitCode).arg(run.err)};
    QStringList candidates = QString::fromUtf8(run.out).split(u'\n', Qt::SkipEmptyParts);
    candidates.sort();
    return candidates;
  }

 private slots:
  void initTestCase();
  void candidates_data();
  void candidates();
  void everyOptionOfTheProgram();
};

void TestBashCompletion::initTestCase() {
  QVERIFY(folder_.isValid());
  for (const char* file : {"alerts.csm", "LOUD.CSM", "my shot.csm", "notes.txt", "scripts/c.csm",
                           "scripts/deeper/d.csm", ".hidden/e.csm", "tables/tags.txt"}) {
    QVERIFY(writeFile(folder_.filePath(QString::fromLatin1(file)), "x\r\n"));
  }
  // Tables whose codes --explain offers: one in both tables, one with a
  // space, a message that looks like a table's column, a code that a shell
  // would expand.
  QVERIFY(writeFile(folder_.filePath(QStringLiteral(".codes/tags.txt")),
                    "\"ownr\",\"Owner\",none\r\n\"copy\",\"Copy  params  x\",\r\n"
                    "\"$(x)\",\"Shell\",\r\n"));
  QVERIFY(writeFile(folder_.filePath(QStringLiteral(".codes/param.txt")),
                    "\"zmod\",\"Zoom\",range\r\n\"co l\",\"Odd\",\r\n\"ownr\",\"Owner too\",\r\n"));
  QVERIFY(writeFile(folder_.filePath(QStringLiteral(".codes.vornel-scan")), "tables = .codes\n"));
  QVERIFY(writeFile(folder_.filePath(QStringLiteral(".gcc.vornel-scan")),
                    "tables = .codes\nformat = gcc\n"));
}

void TestBashCompletion::candidates_data() {
  QTest::addColumn<QStringList>("words");
  QTest::addColumn<QStringList>("expected");
  const QStringList formats{"classic", "gcc", "github", "gitlab", "json", "sarif"};
  const QStringList scriptsAndFolders{"LOUD.CSM", "alerts.csm", "my shot.csm", "scripts", "tables"};

  QTest::newRow("an option's start")
      << QStringList{"vornel-scan", "--form"} << QStringList{"--format"};
  QTest::newRow("options sharing a start")
      << QStringList{"vornel-scan", "--no-"}
      << QStringList{"--no-baseline", "--no-config", "--no-inline-config"};
  QTest::newRow("formats") << QStringList{"vornel-scan", "--format", ""} << formats;
  QTest::newRow("formats by their start")
      << QStringList{"vornel-scan", "--format", "g"} << QStringList{"gcc", "github", "gitlab"};
  QTest::newRow("formats after =") << QStringList{"vornel-scan", "--format", "="} << formats;
  QTest::newRow("a format after = by its start")
      << QStringList{"vornel-scan", "--format", "=", "js"} << QStringList{"json"};
  QTest::newRow("colour") << QStringList{"vornel-scan", "--color", ""}
                          << QStringList{"always", "auto", "never"};
  QTest::newRow("line ends") << QStringList{"vornel-scan", "--line-ends", ""}
                             << QStringList{"any", "auto", "crlf"};
  QTest::newRow("line ends after =")
      << QStringList{"vornel-scan", "--line-ends", "=", "a"} << QStringList{"any", "auto"};
  QTest::newRow("scripts and folders") << QStringList{"vornel-scan", ""} << scriptsAndFolders;
  QTest::newRow("after options and paths")
      << QStringList{"vornel-scan", "-q", "--format", "gcc", "alerts.csm", ""} << scriptsAndFolders;
  QTest::newRow("inside a folder")
      << QStringList{"vornel-scan", "scripts/"} << QStringList{"scripts/c.csm", "scripts/deeper"};
  QTest::newRow("a hidden folder when asked for")
      << QStringList{"vornel-scan", ".h"} << QStringList{".hidden"};
  QTest::newRow("tables from a folder")
      << QStringList{"vornel-scan", "--tables", ""} << QStringList{"scripts", "tables"};
  QTest::newRow("a report to any file")
      << QStringList{"vornel-scan", "-o", ""}
      << QStringList{"LOUD.CSM", "alerts.csm", "my shot.csm", "notes.txt", "scripts", "tables"};
  QTest::newRow("a baseline file by its start")
      << QStringList{"vornel-scan", "--baseline", "n"} << QStringList{"notes.txt"};
  QTest::newRow("a number of jobs") << QStringList{"vornel-scan", "-j", ""} << QStringList{};
  // --explain takes a rule's name or a table's code, from the tables the
  // line names.
  QStringList ruleNames;
  for (const RuleInfo& rule : rules::all()) ruleNames += QString(rule.id);
  const QStringList codes{"$(x)", "co l", "copy", "ownr", "zmod"};
  QStringList explainable = ruleNames + codes;
  explainable.sort();
  QTest::newRow("codes and rule names to explain")
      << QStringList{"vornel-scan", "--tables", ".codes", "--explain", ""} << explainable;
  QTest::newRow("codes and rule names by their start")
      << QStringList{"vornel-scan", "--tables", ".codes", "--explain", "co"}
      << QStringList{"co l", "code-length", "control-character", "copy"};
  QTest::newRow("a code, tables and explain after =")
      << QStringList{"vornel-scan", "--tables", "=", ".codes", "-q", "--explain", "=", "o"}
      << QStringList{"ownr"};
  QTest::newRow("a code from the tables of a project file")
      << QStringList{"vornel-scan", "--config", ".codes.vornel-scan", "--explain", "z"}
      << QStringList{"zmod"};
  QTest::newRow("a code from a project file that sets a format")
      << QStringList{"vornel-scan", "--config", ".gcc.vornel-scan", "--explain", "z"}
      << QStringList{"zmod"};
  QTest::newRow("a code that a shell would expand")
      << QStringList{"vornel-scan", "--tables", ".codes", "--explain", "$"} << QStringList{"$(x)"};
  QTest::newRow("the last of a list to select or ignore, tables too")
      << QStringList{"vornel-scan", "--tables", ".codes", "--ignore", "zmod,p"}
      << QStringList{"zmod,params/"};
  QTest::newRow("rules, codes and tables to select")
      << QStringList{"vornel-scan", "--tables", ".codes", "--select", "t"}
      << QStringList{"tags/"};
  QTest::newRow("rule names only, from tables that cannot be read")
      << QStringList{"vornel-scan", "--tables", "tables", "--explain", "u"}
      << QStringList{"unknown-code", "unused-disable"};
}

void TestBashCompletion::candidates() {
  QFETCH(QStringList, words);
  QFETCH(QStringList, expected);
  QCOMPARE(complete(words), expected);
}

void TestBashCompletion::everyOptionOfTheProgram() {
  QStringList options = optionsOfHelp().values();
  QVERIFY(options.contains(QStringLiteral("--format")));
  options.sort();
  QCOMPARE(complete({QStringLiteral("vornel-scan"), QStringLiteral("-")}), options);
}

QTEST_GUILESS_MAIN(TestBashCompletion)
#include "test_bash_completion.moc"
