// vornel-scan with the real programs around it, set up as the documents
// say: Vim's quickfix list takes the gcc format, colour goes to a terminal,
// a pseudo-terminal here, only when it should, pre-commit runs the hook,
// the CI jobs' commands run as far as they can here, and Vim, Neovim and
// Emacs save the lines typed with CR LF.

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
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

// `yaml` as JSON, by the YAML parser pre-commit itself uses; an empty
// document when it does not parse.
QJsonObject yamlObject(const QByteArray& yaml) {
  ScanInvocation how;
  how.program = QStringLiteral("python3");
  how.arguments = {"-c",
                   "import json, sys, yaml; json.dump(yaml.safe_load(sys.stdin), sys.stdout)"};
  how.standardInput = yaml;
  return QJsonDocument::fromJson(runScan(how).out).object();
}

// A CI job's shell commands, a line each (GitHub's `run`, GitLab's
// `before_script` and `script`), and the variables it sets for them
// (GitHub's `env`, GitLab's `variables`) as "NAME=value".
void readJob(const QJsonValue& value, const QString& key, QStringList* lines,
             QStringList* variables) {
  if (value.isString() && (key == "run" || key == "script" || key == "before_script"))
    *lines += value.toString().split(u'\n', Qt::SkipEmptyParts);
  const QJsonObject object = value.toObject();
  for (auto it = object.begin(); it != object.end(); ++it) {
    if (key == "env" || key == "variables") *variables << it.key() + '=' + it->toString();
    readJob(*it, it.key(), lines, variables);
  }
  for (const QJsonValue& item : value.toArray()) readJob(item, key, lines, variables);
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

  // Vim set up as docs/editors.md says: :make fills the quickfix list with
  // one warning per alert at its opening quotation mark, no summary line,
  // and an error for a script that could not be checked.
  void vimQuickfix_data() {
    QTest::addColumn<QString>("script");
    QTest::addColumn<QList<QJsonObject>>("expected");
    QTest::newRow("alerts") << "s/a.csm"
                            << QList<QJsonObject>{{{"file", "s/a.csm"},
                                                   {"lnum", 1},
                                                   {"col", 5},
                                                   {"type", "w"},
                                                   {"text", "Zoom mode [zmod]"}},
                                                  {{"file", "s/a.csm"},
                                                   {"lnum", 2},
                                                   {"col", 14},
                                                   {"type", "w"},
                                                   {"text", "Owner tag [ownr]"}}};
    QTest::newRow("cannot be checked")
        << "s/gone.csm"
        << QList<QJsonObject>{{{"file", "s/gone.csm"},
                               {"lnum", 0},
                               {"col", 0},
                               {"type", "E"},
                               {"text", "No such file or directory"}}};
  }
  void vimQuickfix() {
    QFETCH(QString, script);
    QFETCH(QList<QJsonObject>, expected);
    const QByteArray recipe =
        fencedBlock("docs/editors.md", QStringLiteral("```vim"), QStringLiteral("makeprg"));
    QVERIFY2(recipe.contains("errorformat"), recipe.constData());
    QVERIFY(writeFile(at("vimrc"), recipe));
    QVERIFY(writeFile(at(".vornel-scan"), "tables = tables\n"));
    const QString list =
        "call writefile([json_encode(map(getqflist(), {_, e -> {'file': bufname(e.bufnr), "
        "'lnum': e.lnum, 'col': e.col, 'type': e.type, 'text': e.text, 'valid': e.valid}}))], "
        "'qf.json')";
    ScanInvocation vim;
    vim.program = QStringLiteral("vim");
    vim.arguments = {"-es", "-N",          "-u", "vimrc", "-i", "NONE", script,
                     "-c",  "silent make", "-c", list,    "-c", "qa!"};
    vim.workingFolder = dir_.path();
    vim.environment = {"PATH=" + QFileInfo(QStringLiteral(VORNEL_SCAN_PATH)).path() + ':' +
                       qgetenv("PATH")};
    QCOMPARE(runScan(vim).exitCode, 0);
    QFile listFile(at("qf.json"));
    QVERIFY(listFile.open(QIODevice::ReadOnly));
    const QJsonArray entries = QJsonDocument::fromJson(listFile.readAll()).array();
    QVERIFY(QFile::remove(at("qf.json")) && QFile::remove(at(".vornel-scan")));
    QCOMPARE(entries.size(), expected.size());
    for (qsizetype i = 0; i < entries.size(); ++i) {
      QJsonObject entry = entries[i].toObject();
      QCOMPARE(entry.take("valid").toInt(), 1);
      const QString text = entry.take("text").toString();
      QVERIFY2(text.contains(expected[i]["text"].toString()), qPrintable(text));
      QJsonObject want = expected[i];
      want.remove("text");
      QCOMPARE(entry, want);
    }
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

  // Another repository checks its scripts with pre-commit, configured as
  // docs/ci.md shows: with a local hook, or with this repository's hook
  // from a clone tagged as a release is. A commit of a script with an
  // alert is refused, the mended one goes in, and a script the project
  // file excludes is passed over.
  void preCommitHook_data() {
    QTest::addColumn<QString>("marker");  // of the configuration in docs/ci.md
    QTest::newRow("local hook") << "repo: local";
    QTest::newRow("this repository at a release tag") << "rev: ";
  }
  void preCommitHook() {
    QFETCH(QString, marker);
    const QString row = QString::fromLatin1(QTest::currentDataTag());
    const auto in = [&](const QString& name) { return at(row + '/' + name); };
    const QStringList environment = {
        "PATH=" + QFileInfo(QStringLiteral(VORNEL_SCAN_PATH)).path() + ':' + qgetenv("PATH"),
        "PRE_COMMIT_HOME=" + in("pre-commit-cache"),
        "GIT_CONFIG_GLOBAL=/dev/null",
        "GIT_AUTHOR_NAME=t",
        "GIT_AUTHOR_EMAIL=t@example.org",
        "GIT_COMMITTER_NAME=t",
        "GIT_COMMITTER_EMAIL=t@example.org"};
    auto run = [&](const QString& folder, const QString& program, const QStringList& arguments) {
      ScanInvocation how{arguments, in(folder), {}, environment, program};
      return runScan(how);
    };
    QVERIFY(QDir().mkpath(in("project")));
    QByteArray documented = fencedBlock("docs/ci.md", QStringLiteral("```yaml"), marker);
    QVERIFY2(documented.contains(".pre-commit-config.yaml"), documented.constData());
    const QJsonArray hooks = yamlObject(documented)["repos"][0]["hooks"].toArray();
    QCOMPARE(hooks.size(), 1);
    if (marker == "repo: local") {
      // The hook this repository offers, and the local one, run alike.
      QFile offered(QStringLiteral(VORNEL_SOURCE_DIR "/.pre-commit-hooks.yaml"));
      QVERIFY(offered.open(QIODevice::ReadOnly));
      const QJsonObject offeredHook =
          yamlObject("hooks:\n" + offered.readAll())["hooks"][0].toObject();
      for (const char* key : {"id", "entry", "language", "files"})
        QCOMPARE(hooks[0][key], offeredHook[key]);
    } else {
      const ScanRunResult clone =
          run("project", "git", {"clone", "-q", QStringLiteral(VORNEL_SOURCE_DIR), in("hook")});
      if (clone.exitCode != 0) QSKIP("the sources are not a git repository");
      const ScanRunResult tagged = run("hook", in("hook/scripts/tag-release"), {});
      QVERIFY2(tagged.exitCode == 0, qPrintable(tagged.err));
      const QByteArray address("https://example.org/vornel/vornel-script-checker");
      QVERIFY2(documented.contains("repo: " + address), documented.constData());
      // The tag the documents name is the one tag-release made.
      const QByteArray tag = run("hook", "git", {"tag"}).out.trimmed();
      QVERIFY2(documented.contains("rev: " + tag + '\n'), tag.constData());
      documented.replace(address, in("hook").toUtf8());
    }
    QVERIFY(writeFile(in("project/.pre-commit-config.yaml"), documented));
    QVERIFY(writeFile(in("project/.vornel-scan"),
                      "tables = ../../tables\nformat = gcc\nexclude = shots/generated/**\n"));
    QVERIFY(writeFile(in("project/shots/a.csm"), "x = \"zmod\"\r\n"));
    QVERIFY(writeFile(in("project/shots/generated/g.csm"), "x = \"zmod\"\r\n"));
    QVERIFY(writeFile(in("project/notes.txt"), "\"zmod\"\n"));
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
    QVERIFY(!shown.contains("g.csm"));
    QVERIFY(run("project", "git", {"rev-parse", "-q", "--verify", "HEAD"}).out.isEmpty());

    QVERIFY(writeFile(in("project/shots/a.csm"), "x = \"zoom\"\r\n"));
    QCOMPARE(run("project", "git", {"add", "."}).exitCode, 0);
    const ScanRunResult passed = run("project", "git", {"commit", "-qm", "first"});
    QVERIFY2(passed.exitCode == 0, qPrintable(passed.out + passed.err));
    QVERIFY(!run("project", "git", {"rev-parse", "-q", "--verify", "HEAD"}).out.isEmpty());

    // Every staged script excluded: the hook runs, and lets the commit in;
    // none staged: pre-commit does not run it.
    for (const auto& [staged, hookLine] : {std::pair{"shots/generated/g.csm", "Passed"},
                                           {"notes.txt", "(no files to check)Skipped"}}) {
      QVERIFY(writeFile(in("project/" + QString::fromLatin1(staged)), "y = \"zmod\"\r\n"));
      QCOMPARE(run("project", "git", {"add", "."}).exitCode, 0);
      const ScanRunResult commit = run("project", "git", {"commit", "-qm", staged});
      const QString said = QString::fromUtf8(commit.out) + commit.err;
      QVERIFY2(commit.exitCode == 0 && said.contains(hookLine), qPrintable(said));
    }

    // A script whose lines end in LF alone is read by its LF: its alert
    // refuses the commit.
    QVERIFY(writeFile(in("project/shots/b.csm"), "# new\nx = \"zmod\"\n"));
    QCOMPARE(run("project", "git", {"add", "."}).exitCode, 0);
    const ScanRunResult lineEnds = run("project", "git", {"commit", "-qm", "second"});
    QVERIFY2(lineEnds.exitCode != 0, lineEnds.out.constData());
    QVERIFY2((QString::fromUtf8(lineEnds.out) + lineEnds.err)
                 .contains("shots/b.csm:2:5: warning: Zoom mode [zmod]"),
             lineEnds.out.constData());
  }

  // The CI jobs of docs/ci.md need their services to run; what can run
  // here is tried as the job would: the YAML parses, `git ls-remote` finds
  // the ref the job builds in this repository, the make target exists,
  // and each vornel-scan command runs on a project with an alert.
  void ciJobs_data() {
    QTest::addColumn<QString>("marker");  // of the job in docs/ci.md
    QTest::addColumn<int>("commands");    // that can be tried here
    QTest::newRow("GitHub Actions") << "runs-on:" << 4;
    QTest::newRow("GitLab CI") << "codequality:" << 3;
  }
  void ciJobs() {
    QFETCH(QString, marker);
    QFETCH(int, commands);
    if (runScan({{"-C", VORNEL_SOURCE_DIR, "rev-parse"}, {}, {}, {}, "git"}).exitCode != 0)
      QSKIP("the sources are not a git repository");
    const QJsonObject job =
        yamlObject(fencedBlock("docs/ci.md", QStringLiteral("```yaml"), marker));
    QVERIFY2(!job.isEmpty(), "the job's YAML does not parse");
    if (marker == "runs-on:")
      QCOMPARE(job["jobs"]["scripts"]["permissions"].toObject(),
               (QJsonObject{{"contents", "read"}, {"security-events", "write"}}));
    QStringList lines;
    QStringList environment;
    readJob(job, {}, &lines, &environment);
    // The repository the job clones is this one, here.
    environment << "VORNEL_REPO=" VORNEL_SOURCE_DIR
                << "PATH=" + QFileInfo(QStringLiteral(VORNEL_SCAN_PATH)).path() + ':' +
                       qgetenv("PATH");
    QVERIFY(writeFile(at("ci/.vornel-scan"), "tables = ../tables\n"));
    QVERIFY(writeFile(at("ci/scripts/a.csm"), "x = \"zmod\"\r\n"));
    int tried = 0;
    for (const QString& line : lines) {
      const QString command = line.trimmed();
      if (command.startsWith("vornel-scan ")) {
        const ScanRunResult run = runScan({{"-c", command}, at("ci"), {}, environment, "sh"});
        QVERIFY2(run.exitCode == (command.contains("--exit-zero") ? 0 : 1),
                 qPrintable(command + '\n' + run.err));
        const QString output = command.section("--output ", 1).section(u' ', 0, 0);
        QFile written(at("ci/" + output));
        QVERIFY(output.isEmpty() || (written.open(QIODevice::ReadOnly) &&
                                     !QJsonDocument::fromJson(written.readAll()).isNull()));
      } else if (command.contains("make -C ")) {
        const ScanRunResult dryRun = runScan(
            {{"-n", "-C", VORNEL_SOURCE_DIR, command.section(u' ', -1)}, {}, {}, {}, "make"});
        QVERIFY2(dryRun.exitCode == 0, qPrintable(command + '\n' + dryRun.err));
      } else if (command.contains("git ls-remote")) {
        const ScanRunResult found =
            runScan({{"-c", command + "\nprintf %s \"$commit\""}, at("ci"), {}, environment, "sh"});
        QVERIFY2(found.out.size() == 40, qPrintable(command + '\n' + found.err));
      } else {
        continue;
      }
      ++tried;
    }
    QCOMPARE(tried, commands);
  }

  // Vim and Neovim with the recipes of docs/editors.md: a new script is
  // saved with CR LF, its name in capitals too, and a CR LF one keeps them.
  void vimLineEnds_data() {
    QTest::addColumn<QString>("editor");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("before");  // the script's bytes; empty: a new script
    for (const char* editor : {"vim", "nvim"}) {
      QTest::addRow("%s, a new script", editor) << editor << "new.csm" << QByteArray();
      QTest::addRow("%s, a new script in capitals", editor) << editor << "NEW.CSM" << QByteArray();
      QTest::addRow("%s, CR LF", editor) << editor << "old.csm" << QByteArray("a = 1\r\n");
    }
  }
  void vimLineEnds() {
    QFETCH(QString, editor);
    QFETCH(QString, name);
    QFETCH(QByteArray, before);
    const bool neovim = editor == "nvim";
    // Neovim 0.7's recipe, as Debian 12 has it.
    const QByteArray recipe =
        neovim ? fencedBlock("docs/editors.md", QStringLiteral("```lua"), "start_client")
               : fencedBlock("docs/editors.md", QStringLiteral("```vim"), "makeprg");
    const QString recipeName = neovim ? "recipe.lua" : "vimrc";
    QVERIFY(writeFile(at("vi/" + recipeName), recipe));
    QVERIFY(writeFile(at("vi/.vornel-scan"), "tables = ../tables\n"));
    QFile::remove(at("vi/" + name));
    if (!before.isEmpty()) QVERIFY(writeFile(at("vi/" + name), before));
    ScanInvocation how;
    how.program = editor;
    how.workingFolder = at("vi");
    how.arguments = neovim ? QStringList{"--headless", "-n"} : QStringList{"-es", "-N"};
    how.arguments << "-i"
                  << "NONE"
                  << "-u" << recipeName << name << "-c"
                  << "call setline(line('$') == 1 && getline(1) == '' ? 1 : line('$') + 1,"
                     " ['x = \"zmod\"', 'wait(1)'])"
                  << "-c"
                  << "w"
                  << "-c"
                  << "qa!";
    how.environment = {"PATH=" + QFileInfo(QStringLiteral(VORNEL_SCAN_PATH)).path() + ':' +
                       qgetenv("PATH")};
    for (const char* xdg : {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_STATE_HOME", "XDG_CACHE_HOME"})
      how.environment << QString::fromLatin1(xdg) + '=' + at("vi/xdg");
    const ScanRunResult edited = runScan(how);
    QVERIFY2(edited.exitCode == 0, qPrintable(edited.err));
    QFile saved(at("vi/" + name));
    QVERIFY(saved.open(QIODevice::ReadOnly));
    QCOMPARE(saved.readAll(), before + "x = \"zmod\"\r\nwait(1)\r\n");
  }

  // Emacs with exactly the recipe of docs/editors.md: lines typed with RET into a
  // script are saved with CR LF, whatever the script's line ends were, and
  // the alert on a typed line is found where it was typed.
  void emacsRecipe_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("before");  // the script's bytes; empty: a new script
    QTest::addColumn<QByteArray>("after");
    QTest::addColumn<int>("line");  // of the typed alert
    const QByteArray typed = "x = \"zmod\"\r\nwait(1)\r\n";
    QTest::newRow("a new script") << "a.csm" << QByteArray() << typed << 1;
    QTest::newRow("a new script in capitals") << "A.CSM" << QByteArray() << typed << 1;
    QTest::newRow("CR LF") << "a.csm" << QByteArray("a = 1\r\n") << "a = 1\r\n" + typed << 2;
    QTest::newRow("a CR alone stays")
        << "a.csm" << QByteArray("a\rb\r\n") << "a\rb\r\n" + typed << 3;
    QTest::newRow("LF alone is mended")
        << "a.csm" << QByteArray("a = 1\nb\n") << "a = 1\r\nb\r\n" + typed << 3;
  }
  void emacsRecipe() {
    QFETCH(QString, name);
    QFETCH(QByteArray, before);
    QFETCH(QByteArray, after);
    QFETCH(int, line);
    const QString recipe = QString::fromUtf8(
        fencedBlock("docs/editors.md", QStringLiteral("```elisp"), QStringLiteral("eglot")));
    QVERIFY2(recipe.contains("csm-mode"), "no Emacs recipe in docs/editors.md");
    QVERIFY(writeFile(at("emacs/recipe.el"), recipe.toUtf8()));
    const QString script = at("emacs/" + name);
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
        runScan({"--tables", at("tables"), "--format", "gcc", "emacs/" + name}, dir_.path());
    QCOMPARE(run.out, "emacs/" + name.toUtf8() + ':' + QByteArray::number(line) +
                          ":5: warning: Zoom mode [zmod]\n");
  }
};

QTEST_GUILESS_MAIN(ReportClientsTest)
#include "test_report_clients.moc"
