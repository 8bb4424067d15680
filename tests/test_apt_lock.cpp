// scripts/install-deps' apt-get, which waits for apt's and dpkg's locks
// and, when it gives up, says who held them. This test holds the system's
// real lock itself, for a moment, as another package manager would, and
// runs apt-get only in ways that change nothing: an install of nothing, an
// update that cannot take its lock, a package that does not exist.

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTest>
#include <QTimer>

#include <fcntl.h>
#include <unistd.h>

namespace {

const QString kAptLock = QStringLiteral(VORNEL_SOURCE_DIR "/scripts/apt-lock");

// A write lock of the kind apt and dpkg take (fcntl's), on an existing
// file, held until released.
class HeldLock {
 public:
  ~HeldLock() { release(); }
  bool take(const QString& path) {
    descriptor_ = ::open(QFile::encodeName(path).constData(), O_RDWR | O_CLOEXEC);
    if (descriptor_ < 0) return false;
    struct flock lock {};
    lock.l_type = F_WRLCK;
    lock.l_whence = SEEK_SET;
    // Another package manager may be at work: it is waited for a while.
    for (int tries = 0; tries < 600; ++tries) {
      if (::fcntl(descriptor_, F_SETLK, &lock) == 0) return true;
      QTest::qSleep(100);
    }
    return false;
  }
  void release() {
    if (descriptor_ >= 0) ::close(descriptor_);
    descriptor_ = -1;
  }

 private:
  int descriptor_ = -1;
};

}  // namespace

class AptLockTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() {
    if (::geteuid() != 0) QSKIP("apt-get takes its locks as root only");
    if (!QFile::exists(QStringLiteral("/var/lib/dpkg/lock-frontend")))
      QSKIP("no dpkg on this system");
  }

  void waits_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("lock");
    QTest::addColumn<int>("heldMs");  // -1: for the whole run
    QTest::addColumn<int>("timeout");
    QTest::addColumn<int>("status");
    // %1 is this test's process id, which holds the lock.
    QTest::addColumn<QString>("told");
    QTest::addColumn<QString>("untold");
    const QString dpkg = QStringLiteral("/var/lib/dpkg/lock-frontend");
    const QString lists = QStringLiteral("/var/lib/apt/lists/lock");
    QTest::newRow("dpkg's lock, let go in time")
        << QStringList{"install", "-y", "-qq"} << dpkg << 1500 << 60 << 0
        << "install-deps: waiting up to 60 s for apt's lock: " + dpkg + " is held by process %1 ("
        << "gave up";
    QTest::newRow("dpkg's lock, held past the time")
        << QStringList{"install", "-y", "-qq"} << dpkg << -1 << 2 << 100
        << "install-deps: apt-get install waited 2 s for apt's lock and gave up: " + dpkg +
               " is held by process %1 ("
        << "";
    QTest::newRow("the lists lock of an update, held past the time")
        << QStringList{"update", "-qq"} << lists << -1 << 2 << 100
        << "install-deps: apt-get update waited 2 s for apt's lock and gave up: " + lists +
               " is held by process %1 ("
        << "";
    QTest::newRow("no lock held: another failure is apt's alone")
        << QStringList{"install", "-y", "-qq", "vornel-no-such-package"} << "" << 0 << 2 << 100
        << "Unable to locate package vornel-no-such-package"
        << "install-deps:";
  }

  void waits() {
    QFETCH(QStringList, arguments);
    QFETCH(QString, lock);
    QFETCH(int, heldMs);
    QFETCH(int, timeout);
    QFETCH(int, status);
    QFETCH(QString, told);
    QFETCH(QString, untold);
    HeldLock held;
    if (!lock.isEmpty()) QVERIFY2(held.take(lock), qPrintable(lock));
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("VORNEL_APT_LOCK_TIMEOUT"), QString::number(timeout));
    QProcess process;
    process.setProcessEnvironment(environment);
    QElapsedTimer ran;
    ran.start();
    process.start(QStringLiteral("bash"),
                  QStringList{"-c", "set -euo pipefail; source \"$0\"; apt_get \"$@\"", kAptLock} +
                      arguments);
    QVERIFY(process.waitForStarted());
    if (heldMs >= 0) QTimer::singleShot(heldMs, [&held] { held.release(); });
    QTRY_VERIFY_WITH_TIMEOUT(process.state() == QProcess::NotRunning, 100000);
    held.release();
    const QString said = QString::fromLocal8Bit(process.readAllStandardError());
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QVERIFY2(process.exitCode() == status, qPrintable(said));
    QVERIFY2(
        said.contains(QString(told).replace(QStringLiteral("%1"), QString::number(::getpid()))),
        qPrintable(said));
    if (!lock.isEmpty()) QVERIFY2(said.contains(QStringLiteral("test_apt_lock")), qPrintable(said));
    if (!untold.isEmpty()) QVERIFY2(!said.contains(untold), qPrintable(said));
    // It waited for the lock to be let go, and no longer than it was told.
    if (heldMs > 0) QVERIFY(ran.elapsed() >= heldMs);
    QVERIFY(ran.elapsed() < (timeout + 30) * 1000);
  }
};

QTEST_GUILESS_MAIN(AptLockTest)
#include "test_apt_lock.moc"
