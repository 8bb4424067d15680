// The patterns of --exclude.

#include <QTest>

#include "GlobPattern.h"

class GlobPatternTest : public QObject {
  Q_OBJECT

 private slots:
  void matches_data() {
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("matches");
    auto row = [](const char* p, const char* t, bool m) {
      QTest::addRow("%s ~ %s", p, t) << QString::fromUtf8(p) << QString::fromUtf8(t) << m;
    };
    row("*.csm", "a.csm", true);
    row("*.csm", "a.csmx", false);
    row("*.csm", ".csm", true);
    row("a?c", "abc", true);
    row("a?c", "a/c", false);
    row("gen/*", "gen/a.csm", true);
    row("gen/*", "gen/sub/a.csm", false);
    row("gen/**", "gen/sub/a.csm", true);
    row("**/x.csm", "x.csm", true);
    row("**/x.csm", "a/b/x.csm", true);
    row("a/**/b", "a/b", true);
    row("a/**/b", "a/x/y/b", true);
    row("[ab]*", "b.csm", true);
    row("[!ab]*", "b.csm", false);
    row("[a-c]x", "bx", true);
    row("[a-c]x", "dx", false);
    row("[", "[", true);
    row("*", "", true);
    row("**", "a/b/c", true);
    row("*x*y*", "aaxbbyc", true);
  }

  void matches() {
    QFETCH(QString, pattern);
    QFETCH(QString, text);
    QFETCH(bool, matches);
    QCOMPARE(GlobPattern(pattern).matches(text), matches);
  }
};

QTEST_GUILESS_MAIN(GlobPatternTest)
#include "test_glob_pattern.moc"
