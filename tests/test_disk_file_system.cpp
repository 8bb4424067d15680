// The disk provider's file identity: what lets a scan take the lines it
// counted for the lines it checks, so it must never call two different
// contents the same.

#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include "DiskFileSystem.h"

namespace {

QByteArray identityOf(DiskFileSystem& files, const QString& path) {
  QString error;
  const auto stream = files.openForInput(path, &error);
  return stream ? stream->identity() : QByteArray("(cannot open: " + error.toUtf8() + ")");
}

void write(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
  QCOMPARE(file.write(bytes), bytes.size());
}

}  // namespace

class TestDiskFileSystem : public QObject {
  Q_OBJECT

 private slots:
  void identityTellsChangesApart() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("a.csm"));
    const QString twin = dir.filePath(QStringLiteral("b.csm"));
    DiskFileSystem files;
    write(path, "x=\"zmod\"\r\n");
    write(twin, "x=\"zmod\"\r\n");
    // Just written: a change in the same clock tick might not show yet.
    QCOMPARE(identityOf(files, path), QByteArray());

    QThread::msleep(2100);
    const QByteArray settled = identityOf(files, path);
    QVERIFY(!settled.isEmpty());
    QCOMPARE(identityOf(files, path), settled);
    // Same bytes, same size, written at the same moment: another file.
    QVERIFY(!identityOf(files, twin).isEmpty());
    QVERIFY(identityOf(files, twin) != settled);

    // Rewritten with other bytes of the same length.
    write(path, "x=\"isoa\"\r\n");
    const QByteArray rewritten = identityOf(files, path);
    QVERIFY(rewritten != settled);
    QThread::msleep(2100);
    QVERIFY(!identityOf(files, path).isEmpty());
    QVERIFY(identityOf(files, path) != settled);
  }
};

QTEST_GUILESS_MAIN(TestDiskFileSystem)
#include "test_disk_file_system.moc"
