// The fuzz targets' checks, run under the normal build on every input the
// fuzzers were seeded with (fuzz/corpus/<target>/) and on every input that
// once made one fail (tests/data/fuzz/<target>/), one data row per file.

#include <QDir>
#include <QTest>

#include <functional>

#include "AlertColumns.h"
#include "BaselineCheck.h"
#include "EditorEdits.h"
#include "MessageFraming.h"
#include "ProjectFileCheck.h"
#include "ScannerDifference.h"
#include "TableLoaderCheck.h"

namespace {

using Check = std::function<QString(QByteArrayView)>;

const QList<std::pair<QString, Check>>& checks() {
  static const QList<std::pair<QString, Check>> all = {
      {QStringLiteral("fuzz_table_loader"), fuzzcheck::tableLoaderProblem},
      {QStringLiteral("fuzz_scanner_differential"), fuzzcheck::scannerDifference},
      {QStringLiteral("fuzz_alert_columns"), fuzzcheck::alertColumnsProblem},
      {QStringLiteral("fuzz_baseline"), fuzzcheck::baselineProblem},
      {QStringLiteral("fuzz_project_file"), fuzzcheck::projectFileProblem},
      {QStringLiteral("fuzz_lsp_framing"), fuzzcheck::framingDifference},
      {QStringLiteral("fuzz_lsp_edits"), fuzzcheck::editorEditsDifference},
  };
  return all;
}

}  // namespace

class FuzzRegressionsTest : public QObject {
  Q_OBJECT

 private slots:
  void inputs_data() {
    QTest::addColumn<QString>("target");
    QTest::addColumn<QString>("file");
    for (const QString& folder :
         {QStringLiteral("fuzz/corpus"), QStringLiteral("tests/data/fuzz")}) {
      for (const auto& [target, check] : checks()) {
        const QDir dir(QStringLiteral(VORNEL_SOURCE_DIR "/") + folder + u'/' + target);
        for (const QString& name : dir.entryList(QDir::Files, QDir::Name)) {
          const QString tag = folder + u'/' + target + u'/' + name;
          QTest::newRow(qPrintable(tag)) << target << dir.filePath(name);
        }
      }
    }
  }

  void inputs() {
    QFETCH(QString, target);
    QFETCH(QString, file);
    QFile in(file);
    QVERIFY2(in.open(QIODevice::ReadOnly), qPrintable(file));
    const QByteArray bytes = in.readAll();
    for (const auto& [name, check] : checks()) {
      if (name == target) QCOMPARE(check(bytes), QString());
    }
  }

  // Every target has its seed corpus, so that no row list is empty by
  // mistake (a folder renamed, a target added without seeds).
  void everyTargetHasSeeds() {
    for (const auto& [target, check] : checks()) {
      const QDir dir(QStringLiteral(VORNEL_SOURCE_DIR "/fuzz/corpus/") + target);
      QVERIFY2(!dir.entryList(QDir::Files).isEmpty(), qPrintable(target));
    }
  }
};

QTEST_GUILESS_MAIN(FuzzRegressionsTest)
#include "test_fuzz_regressions.moc"
