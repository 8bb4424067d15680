// What each goal of the Makefile builds, as make itself reads it: a dry run
// (make -n) lists the commands a goal would run, and the CMake builds among
// them say which preset and which targets.

#include <QProcess>
#include <QRegularExpression>
#include <QTest>

namespace {

// "preset: target target..." for each CMake build `make -n goal` would
// run; "all" for a build with no target named.
QStringList buildsOf(const QString& goal) {
  QProcess make;
  make.setWorkingDirectory(QStringLiteral(VORNEL_SOURCE_DIR));
  make.start(QStringLiteral("make"), {QStringLiteral("-n"), goal});
  if (!make.waitForFinished(60000) || make.exitStatus() != QProcess::NormalExit ||
      make.exitCode() != 0)
    return {QStringLiteral("make -n %1 failed: %2")
                .arg(goal, QString::fromUtf8(make.readAllStandardError()))};
  static const QRegularExpression build(QStringLiteral("^cmake --build --preset (\\S+)(.*)$"),
                                        QRegularExpression::MultilineOption);
  static const QRegularExpression target(QStringLiteral("(?:--target|-t)[ =](\\S+)"));
  QStringList builds;
  const QString commands = QString::fromUtf8(make.readAllStandardOutput());
  for (auto line = build.globalMatch(commands); line.hasNext();) {
    const QRegularExpressionMatch match = line.next();
    QStringList targets;
    for (auto named = target.globalMatch(match.captured(2)); named.hasNext();)
      targets += named.next().captured(1);
    builds += match.captured(1) + QStringLiteral(": ") +
              (targets.isEmpty() ? QStringLiteral("all") : targets.join(u' '));
  }
  return builds;
}

}  // namespace

class MakeGoalsTest : public QObject {
  Q_OBJECT

 private slots:
  void builds_data() {
    QTest::addColumn<QString>("goal");
    QTest::addColumn<QStringList>("builds");
    // make run starts the desktop program, and waits for nothing else.
    QTest::newRow("run") << "run" << QStringList{"release: vornel-script-checker"};
    // The package holds both programs, the benchmark runs its own ones.
    QTest::newRow("release") << "release" << QStringList{"release: all"};
    QTest::newRow("package") << "package" << QStringList{"release: all"};
    QTest::newRow("bench") << "bench" << QStringList{"release: all"};
    QTest::newRow("test") << "test" << QStringList{"dev: all"};
    // The extension's package needs no build of the programs.
    QTest::newRow("vsix") << "vsix" << QStringList{};
  }

  void builds() {
    QFETCH(QString, goal);
    QFETCH(QStringList, builds);
    QCOMPARE(buildsOf(goal), builds);
  }
};

QTEST_GUILESS_MAIN(MakeGoalsTest)
#include "test_make_goals.moc"
