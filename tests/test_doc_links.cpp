// The documents a user reads hold together: every relative link of the
// README, of docs/ and of the VS Code extension's README leads to a file of the repository, the
// README links every document in docs/, and it stays a first page, short enough to read.

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTest>

namespace {

const QString kSource = QStringLiteral(VORNEL_SOURCE_DIR);

QStringList documents() {
  // The VS Code extension's README is its page in the extension stores.
  QStringList names{QStringLiteral("README.md"), QStringLiteral("editors/vscode/README.md")};
  for (const QString& name : QDir(kSource + QStringLiteral("/docs")).entryList({"*.md"}))
    names << QStringLiteral("docs/") + name;
  return names;
}

QString textOf(const QString& name) {
  QFile file(kSource + u'/' + name);
  if (!file.open(QIODevice::ReadOnly)) return {};
  return QString::fromUtf8(file.readAll());
}

// The targets of a Markdown document's inline links and images, outside
// code blocks and code spans: `[text](target)`.
QStringList linkTargets(const QString& markdown) {
  static const QRegularExpression link(
      QStringLiteral(R"(!?\[[^\]]*\]\(([^)\s]+)(?:\s+"[^"]*")?\))"));
  static const QRegularExpression span(QStringLiteral("`[^`]*`"));
  QStringList targets;
  bool inBlock = false;
  for (QString line : markdown.split(u'\n')) {
    if (line.trimmed().startsWith(QStringLiteral("```"))) {
      inBlock = !inBlock;
      continue;
    }
    if (inBlock) continue;
    line.remove(span);
    for (auto m = link.globalMatch(line); m.hasNext();) targets << m.next().captured(1);
  }
  return targets;
}

bool isRelative(const QString& target) {
  return !target.contains(QStringLiteral("://")) && !target.startsWith(u'#') &&
         !target.startsWith(QStringLiteral("mailto:"));
}

}  // namespace

class TestDocLinks : public QObject {
  Q_OBJECT

 private slots:
  void relativeLinksResolve_data() {
    QTest::addColumn<QString>("document");
    QTest::addColumn<QString>("target");
    for (const QString& document : documents()) {
      QVERIFY2(!textOf(document).isEmpty(), qPrintable(document));
      for (const QString& target : linkTargets(textOf(document))) {
        if (isRelative(target))
          QTest::addRow("%s -> %s", qPrintable(document), qPrintable(target)) << document << target;
      }
    }
  }
  void relativeLinksResolve() {
    QFETCH(QString, document);
    QFETCH(QString, target);
    const QString folder = QFileInfo(kSource + u'/' + document).absolutePath();
    const QString path = QDir::cleanPath(folder + u'/' + target.section(u'#', 0, 0));
    QVERIFY2(QFileInfo::exists(path), qPrintable(path));
    QVERIFY2(path.startsWith(kSource + u'/'), "a link leaves the repository");
  }

  // Links are found where Markdown has them, and not in code.
  void linksAreFound_data() {
    QTest::addColumn<QString>("markdown");
    QTest::addColumn<QStringList>("targets");
    QTest::newRow("link and image")
        << "See [a](docs/a.md) and ![b](b.png \"B\")." << QStringList{"docs/a.md", "b.png"};
    QTest::newRow("two on a line")
        << "[a](x.md#part), [b](../y.md)" << QStringList{"x.md#part", "../y.md"};
    QTest::newRow("code span") << "`[a](not.md)` but [b](yes.md)" << QStringList{"yes.md"};
    QTest::newRow("code block") << "```\n[a](not.md)\n```\n[b](yes.md)" << QStringList{"yes.md"};
  }
  void linksAreFound() {
    QFETCH(QString, markdown);
    QFETCH(QStringList, targets);
    QCOMPARE(linkTargets(markdown), targets);
  }

  // The README is where a user starts: short, and a way to every document.
  void readmeIsAFirstPage() {
    const QString readme = textOf(QStringLiteral("README.md"));
    QVERIFY2(readme.count(u'\n') <= 250, qPrintable(QString::number(readme.count(u'\n'))));
    const QStringList targets = linkTargets(readme);
    for (const QString& document : documents().mid(1))
      QVERIFY2(targets.contains(document), qPrintable(document));
    for (const char* page :
         {"docs/vornel-scan.1.scd", "docs/vornel-tables.5.scd", "docs/vornel-script-checker.1.scd"})
      QVERIFY2(targets.contains(QLatin1String(page)), page);
  }
};

QTEST_APPLESS_MAIN(TestDocLinks)
#include "test_doc_links.moc"
