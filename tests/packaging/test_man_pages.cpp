// The manual pages, written by scdoc at build time: man renders each without
// a warning, nor does groff with every warning it has, and vornel-scan's page
// documents every option that `vornel-scan --help` lists, and no other.

#include <QRegularExpression>
#include <QTest>

#include "ProgramOptions.h"
#include "RunScan.h"

namespace {

// The page as man shows it, 80 columns wide; warnings on stderr.
// `page` is a name and section, such as vornel-scan.1.
ScanRunResult renderPage(const QString& page, const QString& warnings = {}) {
  ScanInvocation man;
  man.program = QStringLiteral("man");
  man.arguments = QStringList{"--local-file", QStringLiteral(VORNEL_MAN_DIR "/") + page};
  if (!warnings.isEmpty()) man.arguments.prepend(QStringLiteral("--warnings=") + warnings);
  man.environment = QStringList{"MANWIDTH=80", "MAN_KEEP_FORMATTING=", "LC_ALL=C.UTF-8"};
  return runScan(man);
}

// The lines of one section of a rendered page, from its heading to the next.
QStringList sectionOf(const QString& page, const QString& heading) {
  const QStringList lines = page.split(u'\n');
  const qsizetype start = lines.indexOf(heading);
  if (start < 0) return {};
  qsizetype end = start + 1;
  while (end < lines.size() && (lines[end].isEmpty() || lines[end].startsWith(u' '))) ++end;
  return lines.mid(start + 1, end - start - 1);
}

}  // namespace

class TestManPages : public QObject {
  Q_OBJECT

 private slots:
  void rendersWithoutWarnings_data();
  void rendersWithoutWarnings();
  void vornelScanDocumentsEveryOption();
};

void TestManPages::rendersWithoutWarnings_data() {
  QTest::addColumn<QString>("page");
  QTest::addColumn<QString>("name");
  QTest::addColumn<QStringList>("sections");
  const QStringList program{"SYNOPSIS", "DESCRIPTION", "EXIT STATUS", "FILES", "EXAMPLES"};
  QTest::newRow("vornel-scan") << "vornel-scan.1"
                               << "vornel-scan - check Vornel camera scripts" << program;
  QTest::newRow("vornel-script-checker")
      << "vornel-script-checker.1"
      << "vornel-script-checker - check a Vornel camera script" << program;
  QTest::newRow("vornel-tables") << "vornel-tables.5"
                                 << "vornel-tables - the reference tables"
                                 << QStringList{"SYNOPSIS", "DESCRIPTION", "ERRORS", "FILES",
                                                "EXAMPLES"};
}

void TestManPages::rendersWithoutWarnings() {
  QFETCH(QString, page);
  QFETCH(QString, name);
  QFETCH(QStringList, sections);
  const ScanRunResult man = renderPage(page, QStringLiteral("w"));
  QCOMPARE(man.err, QString());
  QCOMPARE(man.exitCode, 0);
  // man renders for the terminal, where groff lets font faults pass.
  ScanInvocation groff;
  groff.program = QStringLiteral("groff");
  groff.arguments = QStringList{"-ww", "-man", "-z", QStringLiteral(VORNEL_MAN_DIR "/") + page};
  const ScanRunResult strict = runScan(groff);
  QCOMPARE(strict.err, QString());
  QCOMPARE(strict.exitCode, 0);
  const QString text = QString::fromUtf8(man.out);
  QVERIFY2(text.contains(name), qPrintable(text.left(400)));
  QVERIFY2(text.contains(QStringLiteral("Vornel Script Checker " VORNEL_VERSION)),
           "the version in the footer");
  for (const QString& section : sections)
    QVERIFY2(!sectionOf(text, section).isEmpty(), qPrintable(section));
}

void TestManPages::vornelScanDocumentsEveryOption() {
  const ScanRunResult man = renderPage(QStringLiteral("vornel-scan.1"));
  QCOMPARE(man.exitCode, 0);
  const QStringList options = sectionOf(QString::fromUtf8(man.out), QStringLiteral("OPTIONS"));
  QVERIFY(!options.isEmpty());

  // An option's entry starts with its names at the section's indent,
  // "-o, --output file"; its description is indented further.
  QSet<QString> documented;
  static const QRegularExpression entry(QStringLiteral("^ {7}(-[^\\s,]+(?:, -[^\\s,]+)*)"));
  for (const QString& line : options) {
    const QRegularExpressionMatch match = entry.match(line);
    for (const QString& name : match.captured(1).split(QStringLiteral(", "), Qt::SkipEmptyParts))
      documented.insert(name);
  }
  const QSet<QString> listed = optionsOfHelp();
  const QString words = options.join(u' ');
  for (const QString& option : listed) {
    const QRegularExpression word(
        QStringLiteral("(^|[\\s,])%1([\\s,.]|$)").arg(QRegularExpression::escape(option)));
    QVERIFY2(words.contains(word), qPrintable(option + " is not in OPTIONS"));
  }
  for (const QString& option : documented)
    QVERIFY2(listed.contains(option), qPrintable(option + " is not an option of vornel-scan"));
  QVERIFY(documented.size() > 20);
}

QTEST_GUILESS_MAIN(TestManPages)
#include "test_man_pages.moc"
