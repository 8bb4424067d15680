// The Debian package that `make package` builds: unpacked with dpkg-deb into
// a root of its own, its control fields, the tree it lays out, followed as
// the desktop and the shell follow it, its vornel-scan finding the unpacked
// tables, and lintian's verdict. Skipped when there is no package to check.

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#include "InstalledTree.h"

namespace {

const QString kReleaseBuild = QStringLiteral(VORNEL_SOURCE_DIR "/build-release");

}  // namespace

class TestPackage : public QObject {
  Q_OBJECT

 private:
  QString package_;
  QTemporaryDir root_;

  QString field(const QString& name) {
    return QString::fromUtf8(runTool(QStringLiteral("dpkg-deb"), {"--field", package_, name}).out)
        .trimmed();
  }

 private slots:
  void initTestCase();
  void control_data();
  void control();
  void dependsOnWhatTheProgramsLink_data();
  void dependsOnWhatTheProgramsLink();
  void unpackedTree();
  void scanFindsTheUnpackedTables();
  void lintianFindsNoError();
};

void TestPackage::initTestCase() {
  const QStringList packages =
      QDir(kReleaseBuild)
          .entryList({QStringLiteral("vornel-script-checker_" VORNEL_VERSION "_*.deb")},
                     QDir::Files);
  if (packages.isEmpty()) {
    QSKIP("no package to check: build-release/vornel-script-checker_" VORNEL_VERSION
          "_*.deb is absent; `make package` builds it (CI does, before the tests)");
  }
  QCOMPARE(packages.size(), 1);
  package_ = QDir(kReleaseBuild).filePath(packages.first());
  qInfo("checking %s", qPrintable(package_));
  QVERIFY(root_.isValid());
  const ScanRunResult unpacked =
      runTool(QStringLiteral("dpkg-deb"), {"-x", package_, root_.path()});
  QVERIFY2(unpacked.exitCode == 0, qPrintable(unpacked.err));
}

void TestPackage::control_data() {
  QTest::addColumn<QString>("name");
  QTest::addColumn<QString>("value");
  QTest::newRow("name") << "Package"
                        << "vornel-script-checker";
  QTest::newRow("version") << "Version" << VORNEL_VERSION;
  // Without it, bash never loads the completion the package installs.
  QTest::newRow("recommends") << "Recommends"
                              << "bash-completion";
  QTest::newRow("architecture")
      << "Architecture"
      << QString::fromUtf8(runTool(QStringLiteral("dpkg"), {"--print-architecture"}).out).trimmed();
}

void TestPackage::control() {
  QFETCH(QString, name);
  QFETCH(QString, value);
  QCOMPARE(field(name), value);
}

void TestPackage::dependsOnWhatTheProgramsLink_data() {
  // Found by dpkg-shlibdeps in the binaries, never written by hand.
  QTest::addColumn<QString>("library");
  for (const char* library : {"libc6", "libstdc++6", "libqt6core6", "libqt6gui6", "libqt6widgets6",
                              "libqt6printsupport6", "libcups2"}) {
    QTest::newRow(library) << library;
  }
}

void TestPackage::dependsOnWhatTheProgramsLink() {
  QFETCH(QString, library);
  const QStringList depends = field(QStringLiteral("Depends")).split(QStringLiteral(", "));
  const bool listed = std::any_of(depends.begin(), depends.end(), [&](const QString& d) {
    return d == library || d.startsWith(library + u' ');
  });
  QVERIFY2(listed, qPrintable(depends.join(u'|')));
}

void TestPackage::unpackedTree() {
  verifyInstalledTree(root_.filePath(QStringLiteral("usr")));
}

void TestPackage::scanFindsTheUnpackedTables() {
  verifyScanFindsItsTables(root_.filePath(QStringLiteral("usr")));
}

void TestPackage::lintianFindsNoError() {
  const ScanRunResult lintian =
      runTool(QStringLiteral("lintian"), {"--display-info", "--tag-display-limit", "0", package_});
  // Every tag, so that the log shows the warnings as well.
  const QString tags = QString::fromUtf8(lintian.out);
  qInfo("lintian:\n%s%s", qPrintable(tags), qPrintable(lintian.err));
  QVERIFY2(!tags.contains(
               QRegularExpression(QStringLiteral("^E: "), QRegularExpression::MultilineOption)),
           "lintian reports errors");
  QCOMPARE(lintian.exitCode, 0);
}

QTEST_GUILESS_MAIN(TestPackage)
#include "test_package.moc"
