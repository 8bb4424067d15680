// vornel-scan with the real programs around it: Vim's quickfix list takes
// the gcc format, colour goes to a terminal, a pseudo-terminal here, only
// when it should, pre-commit runs the hook this repository offers, and
// Emacs with the README's recipe saves the lines typed with CR LF.

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include "RunScan.h"

namespace {

// Runs vornel-scan with a pseudo-terminal for its output, as a terminal
// runs it, and gives what it wrote.
const char* const kOnATerminal =
    "import os, pty, sys\n"
    "pid, fd = pty.fork()\n"
    "if pid == 0:\n"
    "    os.execv(sys.argv[1], sys.argv[1:])\n"
    "out = b''\n"
    "while True:\n"
    "    try:\n"
    "        chunk = os.read(fd, 65536)\n"
    "    except OSError:\n"
    "        break\n"
    "    if not chunk:\n"
    "        break\n"
    "    out += chunk\n"
    "os.waitpid(pid, 0)\n"
    "sys.stdout.buffer.write(out)\n";

// The README's Emacs recipe, as a reader copies it.
QString readmeEmacsRecipe() {
  QFile readme(QStringLiteral(VORNEL_SOURCE_DIR "/README.md"));
  if (!readme.open(QIODevice::ReadOnly)) return QString();
  const QString text = QString::fromUtf8(readme.readAll());
  const auto found =
      QRegularExpression(QStringLiteral("\\*\\*Emacs\\*\\* with eglot[^`]*```elisp\n(.*?)```"),
                         QRegularExpression::DotMatchesEverythingOption)
          .match(text);
  return found.captured(1);
}

}  // namespace

class ReportClientsTest : public QObject {
  Q_OBJECT

 private:
  QTemporaryDir dir_;
  QString at(const QString& name) const { return dir_.filePath(name); }

 private slots:
  void initTestCase() {
    QVERIFY(dir_.isValid());
    QVERIFY(writeFile(at("tables/tags.txt"), "\"ownr\",\"Owner tag\",none\r\n"));
    QVERIFY(writeFile(at("tables/param.txt"), "\"zmod\",\"Zoom mode\",range\r\n"));
    QVERIFY(writeFile(at("s/a.csm"), "x = \"zmod\"\r\n\tGetFileTag( \"ownr\" )\r\n"));
    QVERIFY(writeFile(at("s/sub/b.csm"), "wait(1)\r\nSetCameraState(\"zmod\", 1) # zoom\r\n"));
  }

  // Vim loads the gcc report with :cfile, with its own default
  // 'errorformat', and jumps to each alert's opening quotation mark.
  void vimQuickfix() {
    const ScanRunResult report =
        runScan({"--tables", at("tables"), "--format", "gcc", "s"}, dir_.path());
    QVERIFY(writeFile(at("report.txt"), report.out));
    const QString list =
        "call writefile([json_encode(map(getqflist(), {_, e -> {'file': bufname(e.bufnr), "
        "'lnum': e.lnum, 'col': e.col, 'text': e.text, 'valid': e.valid}}))], 'qf.json')";
    const QString jumps =
        "for i in range(1, len(getqflist())) | execute 'cc' i | "
        "call writefile([getline('.')[col('.') - 1]], 'jumps.txt', 'a') | endfor";
    ScanInvocation vim;
    vim.program = QStringLiteral("vim");
    vim.arguments = {"-es", "-N", "-u", "NONE", "-i", "NONE", "-c", "cfile report.txt",
                     "-c",  list, "-c", jumps,  "-c", "qa!"};
    vim.workingFolder = dir_.path();
    QCOMPARE(runScan(vim).exitCode, 0);
    QFile listFile(at("qf.json"));
    QVERIFY(listFile.open(QIODevice::ReadOnly));
    const QJsonArray entries = QJsonDocument::fromJson(listFile.readAll()).array();
    const QList<QJsonObject> expected = {
        {{"file", "s/a.csm"}, {"lnum", 1}, {"col", 5}, {"valid", 1}},
        {{"file", "s/a.csm"}, {"lnum", 2}, {"col", 14}, {"valid", 1}},
        {{"file", "s/sub/b.csm"}, {"lnum", 2}, {"col", 16}, {"valid", 1}}};
    QCOMPARE(entries.size(), expected.size());
    for (qsizetype i = 0; i < entries.size(); ++i) {
      QJsonObject entry = entries[i].toObject();
      QVERIFY(
          entry.take("text").toString().contains(i == 1 ? "Owner tag [ownr]" : "Zoom mode [zmod]"));
      QCOMPARE(entry, expected[i]);
    }
    QFile jumpsFile(at("jumps.txt"));
    QVERIFY(jumpsFile.open(QIODevice::ReadOnly));
    QCOMPARE(jumpsFile.readAll(), QByteArray("\"\n\"\n\"\n"));
  }

  // Colour on a terminal unless NO_COLOR or a dumb TERM says otherwise;
  // never into a pipe unless asked for.
  void colour_data() {
    QTest::addColumn<bool>("terminal");
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QStringList>("environment");
    QTest::addColumn<bool>("coloured");
    const QStringList plainTerm{"TERM=xterm", "NO_COLOR="};
    QTest::newRow("terminal") << true << QStringList{} << plainTerm << true;
    QTest::newRow("terminal, NO_COLOR")
        << true << QStringList{} << QStringList{"TERM=xterm", "NO_COLOR=1"} << false;
    QTest::newRow("terminal, TERM dumb")
        << true << QStringList{} << QStringList{"TERM=dumb", "NO_COLOR="} << false;
    QTest::newRow("terminal, never")
        << true << QStringList{"--color", "never"} << plainTerm << false;
    QTest::newRow("pipe") << false << QStringList{} << plainTerm << false;
    QTest::newRow("pipe, always") << false << QStringList{"--color", "always"} << plainTerm << true;
    QTest::newRow("gcc on a terminal")
        << true << QStringList{"--format", "gcc"} << plainTerm << true;
    QTest::newRow("json on a terminal")
        << true << QStringList{"--format", "json"} << plainTerm << false;
  }

  void colour() {
    QFETCH(bool, terminal);
    QFETCH(QStringList, options);
    QFETCH(QStringList, environment);
    QFETCH(bool, coloured);
    ScanInvocation how;
    how.arguments = QStringList{"--tables", at("tables")} + options + QStringList{"s"};
    how.environment = environment;
    how.workingFolder = dir_.path();
    if (terminal) {
      how.arguments.prepend(how.program);
      how.arguments.prepend(QString::fromLatin1(kOnATerminal));
      how.arguments.prepend(QStringLiteral("-c"));
      how.program = QStringLiteral("/usr/bin/python3");
    }
    const ScanRunResult run = runScan(how);
    QVERIFY2(run.out.contains("zmod"), run.out.constData());
    QCOMPARE(run.out.contains("\x1b["), coloured);
  }

  // Another repository takes this one's hook with pre-commit: a commit of a
  // script with an alert is refused, the mended one goes in.
  void preCommitHook() {
    const QStringList environment = {
        "PATH=" + QFileInfo(QStringLiteral(VORNEL_SCAN_PATH)).path() + ':' + qgetenv("PATH"),
        "PRE_COMMIT_HOME=" + at("pre-commit-cache"),
        "GIT_CONFIG_GLOBAL=/dev/null",
        "GIT_AUTHOR_NAME=t",
        "GIT_AUTHOR_EMAIL=t@example.org",
        "GIT_COMMITTER_NAME=t",
        "GIT_COMMITTER_EMAIL=t@example.org"};
    auto run = [&](const QString& folder, const QString& program, const QStringList& arguments) {
      ScanInvocation how{arguments, at(folder), {}, environment, program};
      return runScan(how);
    };
    // The hook's repository holds this repository's hook file as it is now.
    QFile hooks(QStringLiteral(VORNEL_SOURCE_DIR "/.pre-commit-hooks.yaml"));
    QVERIFY(hooks.open(QIODevice::ReadOnly));
    QVERIFY(writeFile(at("hook/.pre-commit-hooks.yaml"), hooks.readAll()));
    QCOMPARE(run("hook", "git", {"init", "-q"}).exitCode, 0);
    QCOMPARE(run("hook", "git", {"add", "."}).exitCode, 0);
    QCOMPARE(run("hook", "git", {"commit", "-qm", "hook"}).exitCode, 0);
    const QByteArray rev = run("hook", "git", {"rev-parse", "HEAD"}).out.trimmed();

    QVERIFY(writeFile(at("project/.pre-commit-config.yaml"),
                      "repos:\n- repo: " + at("hook").toUtf8() + "\n  rev: " + rev +
                          "\n  hooks:\n  - id: vornel-scan\n"));
    QVERIFY(writeFile(at("project/.vornel-scan"), "tables = ../tables\nformat = gcc\n"));
    QVERIFY(writeFile(at("project/shots/a.csm"), "x = \"zmod\"\r\n"));
    QVERIFY(writeFile(at("project/notes.txt"), "\"zmod\"\n"));
    QCOMPARE(run("project", "git", {"init", "-q"}).exitCode, 0);
    const ScanRunResult install = run("project", "pre-commit", {"install"});
    QVERIFY2(install.exitCode == 0, qPrintable(install.err + install.out));
    QCOMPARE(run("project", "git", {"add", "."}).exitCode, 0);
    const ScanRunResult refused = run("project", "git", {"commit", "-qm", "first"});
    QVERIFY2(refused.exitCode != 0, refused.out.constData());
    // pre-commit passes on what the hook wrote, on one stream or the other.
    const QString shown = QString::fromUtf8(refused.out) + refused.err;
    QVERIFY2(shown.contains("shots/a.csm:1:5: warning: Zoom mode [zmod]"), qPrintable(shown));
    QVERIFY(!shown.contains("notes.txt"));
    QVERIFY(run("project", "git", {"rev-parse", "-q", "--verify", "HEAD"}).out.isEmpty());

    QVERIFY(writeFile(at("project/shots/a.csm"), "x = \"zoom\"\r\n"));
    QCOMPARE(run("project", "git", {"add", "."}).exitCode, 0);
    const ScanRunResult passed = run("project", "git", {"commit", "-qm", "first"});
    QVERIFY2(passed.exitCode == 0, qPrintable(passed.out + passed.err));
    QVERIFY(!run("project", "git", {"rev-parse", "-q", "--verify", "HEAD"}).out.isEmpty());

    // A script whose lines end in LF alone, its alert swallowed by the
    // comment before it, is refused all the same.
    QVERIFY(writeFile(at("project/shots/b.csm"), "# new\nx = \"zmod\"\n"));
    QCOMPARE(run("project", "git", {"add", "."}).exitCode, 0);
    const ScanRunResult lineEnds = run("project", "git", {"commit", "-qm", "second"});
    QVERIFY2(lineEnds.exitCode != 0, lineEnds.out.constData());
    QVERIFY2((QString::fromUtf8(lineEnds.out) + lineEnds.err)
                 .contains("shots/b.csm:1:6: warning: the script's lines end in LF alone"),
             lineEnds.out.constData());
  }

  // Emacs with exactly the README's recipe: lines typed with RET into a
  // script are saved with CR LF, whatever the script's line ends were, and
  // the alert on a typed line is found where it was typed.
  void emacsRecipe_data() {
    QTest::addColumn<QByteArray>("before");  // the script's bytes; empty: a new script
    QTest::addColumn<QByteArray>("after");
    QTest::addColumn<int>("line");  // of the typed alert
    const QByteArray typed = "x = \"zmod\"\r\nwait(1)\r\n";
    QTest::newRow("a new script") << QByteArray() << typed << 1;
    QTest::newRow("CR LF") << QByteArray("a = 1\r\n") << "a = 1\r\n" + typed << 2;
    QTest::newRow("a CR alone stays") << QByteArray("a\rb\r\n") << "a\rb\r\n" + typed << 3;
    QTest::newRow("LF alone is mended")
        << QByteArray("a = 1\nb\n") << "a = 1\r\nb\r\n" + typed << 3;
  }
  void emacsRecipe() {
    QFETCH(QByteArray, before);
    QFETCH(QByteArray, after);
    QFETCH(int, line);
    const QString recipe = readmeEmacsRecipe();
    QVERIFY2(recipe.contains("csm-mode"), "no Emacs recipe in the README");
    QVERIFY(writeFile(at("emacs/recipe.el"), recipe.toUtf8()));
    const QString script = at("emacs/a.csm");
    QFile::remove(script);
    if (!before.isEmpty()) QVERIFY(writeFile(script, before));
    ScanInvocation emacs;
    emacs.program = QStringLiteral("emacs");
    // eglot is not what is tried here, and Emacs 28 has none.
    emacs.arguments = {"-Q",
                       "--batch",
                       "-l",
                       at("emacs/recipe.el"),
                       "--eval",
                       "(progn (remove-hook 'csm-mode-hook #'eglot-ensure)"
                       " (find-file \"" +
                           script +
                           "\")"
                           " (unless (eq major-mode 'csm-mode) (error \"not in csm-mode\"))"
                           " (goto-char (point-max))"
                           " (insert \"x = \\\"zmod\\\"\") (newline) (insert \"wait(1)\") (newline)"
                           " (save-buffer))"};
    const ScanRunResult edited = runScan(emacs);
    QVERIFY2(edited.exitCode == 0, qPrintable(edited.err));
    QFile saved(script);
    QVERIFY(saved.open(QIODevice::ReadOnly));
    QCOMPARE(saved.readAll(), after);
    const ScanRunResult run =
        runScan({"--tables", at("tables"), "--format", "gcc", "emacs/a.csm"}, dir_.path());
    QCOMPARE(run.out,
             "emacs/a.csm:" + QByteArray::number(line) + ":5: warning: Zoom mode [zmod]\n");
  }
};

QTEST_GUILESS_MAIN(ReportClientsTest)
#include "test_report_clients.moc"
