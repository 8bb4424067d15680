// `cmake --install`, the way to install on systems without dpkg: the tree it
// lays out under a prefix, followed as the desktop and the shell follow it,
// and the installed vornel-scan finding the installed tables.

#include <QTemporaryDir>
#include <QTest>

#include "InstalledTree.h"
#include "RunScan.h"

class TestInstall : public QObject {
  Q_OBJECT

 private:
  QTemporaryDir root_;
  QString usr_;

 private slots:
  void initTestCase() {
    QVERIFY(root_.isValid());
    usr_ = root_.filePath(QStringLiteral("usr"));
    ScanInvocation install;
    install.program = QStringLiteral(VORNEL_CMAKE_COMMAND);
    install.arguments = QStringList{"--install", VORNEL_BUILD_DIR, "--prefix", usr_};
    const ScanRunResult run = runScan(install);
    QVERIFY2(run.exitCode == 0, qPrintable(run.err));
  }
  void installedTree() { verifyInstalledTree(usr_); }
  void scanFindsTheInstalledTables() { verifyScanFindsItsTables(usr_); }
};

QTEST_GUILESS_MAIN(TestInstall)
#include "test_install.moc"
