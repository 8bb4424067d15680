// The patterns of --exclude and of the project file's exclude, and what
// they pass over.

#include <QRandomGenerator>
#include <QTest>

#include "Exclusions.h"
#include "GlobPattern.h"

namespace reference {

// The plain backtracking search: exact, but slow on runs of stars.
// Whether the set starting at pattern[p] (just past the `[`) holds `c`;
// `*end` is set just past its `]`. A set without its `]` is a plain `[`.
bool inSet(QStringView pattern, qsizetype p, QChar c, qsizetype* end) {
  const bool negated = p < pattern.size() && (pattern[p] == u'!' || pattern[p] == u'^');
  qsizetype i = negated ? p + 1 : p;
  bool found = false;
  for (bool first = true; i < pattern.size() && (first || pattern[i] != u']'); first = false) {
    if (i + 2 < pattern.size() && pattern[i + 1] == u'-' && pattern[i + 2] != u']') {
      found = found || (c >= pattern[i] && c <= pattern[i + 2]);
      i += 3;
    } else {
      found = found || c == pattern[i];
      ++i;
    }
  }
  if (i >= pattern.size()) {
    *end = -1;
    return false;
  }
  *end = i + 1;
  return found != negated;
}

bool match(QStringView pattern, qsizetype p, QStringView text, qsizetype t) {
  while (p < pattern.size()) {
    const QChar c = pattern[p];
    if (c == u'*') {
      const bool any = p + 1 < pattern.size() && pattern[p + 1] == u'*';
      qsizetype next = any ? p + 2 : p + 1;
      // `**/` also matches no folder at all.
      if (any && next < pattern.size() && pattern[next] == u'/' &&
          match(pattern, next + 1, text, t))
        return true;
      for (qsizetype end = t;; ++end) {
        if (match(pattern, next, text, end)) return true;
        if (end >= text.size() || (!any && text[end] == u'/')) return false;
      }
    }
    if (t >= text.size()) return false;
    if (c == u'?') {
      if (text[t] == u'/') return false;
    } else if (c == u'[') {
      qsizetype end;
      const bool in = inSet(pattern, p + 1, text[t], &end);
      if (end >= 0) {
        if (!in || text[t] == u'/') return false;
        p = end;
        ++t;
        continue;
      }
      if (text[t] != c) return false;
    } else if (text[t] != c) {
      return false;
    }
    ++p;
    ++t;
  }
  return t == text.size();
}

}  // namespace reference

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

  // One pattern relative to /p/repo, and a path it passes over or not.
  void exclusions_data() {
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("excluded");
    auto row = [](const char* name, const char* p, const char* path, bool excluded) {
      QTest::newRow(name) << QString::fromUtf8(p) << QString::fromUtf8(path) << excluded;
    };
    row("the script's name", "*.gen.csm", "/p/repo/a/x.gen.csm", true);
    row("a folder's name on the way", "gen", "/p/repo/a/gen/b/x.csm", true);
    row("a name above the folder is not on the way", "p", "/p/repo/x.csm", false);
    row("a name out of the folder, past where the ways part", "gen", "/p/other/gen/x.csm", true);
    row("a path from the folder", "s/gen/**", "/p/repo/s/gen/x.csm", true);
    row("a path from a folder below it", "gen/**", "/p/repo/s/gen/x.csm", false);
    row("a folder's path covers what is in it", "s/gen", "/p/repo/s/gen/b/x.csm", true);
    row("a trailing / makes a path, not a name", "gen/", "/p/repo/s/gen/x.csm", false);
    row("./ and .. worked out", "./gen/*", "/p/repo/s/../gen/x.csm", true);
    row("a path out of the folder", "../other/*", "/p/other/x.csm", true);
    row("an absolute path", "/p/other/**", "/p/other/gen/x.csm", true);
  }

  void exclusions() {
    QFETCH(QString, pattern);
    QFETCH(QString, path);
    QFETCH(bool, excluded);
    QCOMPARE(Exclusions(QStringLiteral("/p/repo"), {GlobPattern(pattern)}).excludes(path),
             excluded);
  }

  // Random patterns and paths: the same answers as the plain search.
  void matchesTheBacktrackingSearch() {
    static const char* const kPieces[] = {"a", "b", "/", "*", "**", "?", "[", "]", "!", "-", "**/"};
    QRandomGenerator random(17);
    for (int round = 0; round < 20000; ++round) {
      QString pattern;
      QString text;
      for (int i = random.bounded(8); i > 0; --i)
        pattern += QLatin1String(kPieces[random.bounded(int(std::size(kPieces)))]);
      for (int i = random.bounded(10); i > 0; --i)
        text += QLatin1Char("ab/[]-!"[random.bounded(7)]);
      QVERIFY2(GlobPattern(pattern).matches(text) == reference::match(pattern, 0, text, 0),
               qPrintable(pattern + QStringLiteral(" on ") + text));
    }
  }
};

QTEST_GUILESS_MAIN(GlobPatternTest)
#include "test_glob_pattern.moc"
