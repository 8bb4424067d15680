// The rules for files read whole and files written: which kinds are read
// and how much of them, and what writing does to what is at the output's
// path. The devices and pipes written to are in test_vornel_scan.

#include <QTemporaryDir>
#include <QTest>

#include <cerrno>

#include "DiskFileSystem.h"
#include "OutputFile.h"
#include "ReportOutput.h"
#include "SpecialFiles.h"
#include "WholeFile.h"

class TestFileRules : public QObject {
  Q_OBJECT

 private slots:
  void wholeFiles_data() {
    QTest::addColumn<QString>("kind");
    QTest::addColumn<qint64>("size");
    QTest::addColumn<QString>("error");
    const QString only = QStringLiteral("Is %1: only files are read");
    QTest::newRow("a file at the bound") << "file" << qint64(1024) << "";
    QTest::newRow("a file past the bound")
        << "file" << qint64(1025) << "Is larger than 1 KiB, the most read of a file of its kind";
    QTest::newRow("a pipe, with no writer") << "fifo" << qint64(0) << only.arg("a pipe");
    QTest::newRow("a link to a pipe") << "link:fifo" << qint64(0) << only.arg("a pipe");
    QTest::newRow("a device") << "zero" << qint64(0) << only.arg("a character device");
    QTest::newRow("a folder") << "folder" << qint64(0) << "Is a folder, not a file";
    QTest::newRow("the null device, empty") << "null" << qint64(0) << "";
    QTest::newRow("a file of /proc")
        << "/proc/self/status" << qint64(0)
        << "Is a file of the kernel's /proc or /sys, not a file on disk";
  }

  void wholeFiles() {
    QFETCH(QString, kind);
    QFETCH(qint64, size);
    QFETCH(QString, error);
    QTemporaryDir dir;
    QVERIFY(makeFile(dir.filePath("fifo"), "fifo"));
    QString path = kind;
    if (!kind.startsWith(u'/')) {
      path = dir.filePath("tested");
      QVERIFY(makeFile(path, kind, QByteArray(size, 'a')));
    }
    ::alarm(10);  // a read that waits for a writer ends the test
    DiskFileSystem disk;
    QByteArray bytes;
    QString reason;
    // A file on disk first: what the file system of one file was found to
    // be must not decide for another's.
    QVERIFY(makeFile(dir.filePath("before"), "file", "b"));
    QVERIFY(readWhole(disk, dir.filePath("before"), 1024, &bytes, &reason));
    const bool read = readWhole(disk, path, 1024, &bytes, &reason);
    ::alarm(0);
    QCOMPARE(reason, error);
    QCOMPARE(read, error.isEmpty());
    if (read) QCOMPARE(bytes, QByteArray(size, 'a'));
  }

  // Bytes added after the open are not read, so the bound holds for a
  // file that grows while it is read.
  void aFileThatGrowsIsReadAsItWasOpened() {
    QTemporaryDir dir;
    const QString path = dir.filePath("grows");
    QVERIFY(makeFile(path, "file", "0123456789"));
    DiskFileSystem disk;
    QString error;
    const auto source = openWhole(disk, path, 16, &error);
    QVERIFY2(source, qPrintable(error));
    QFile more(path);
    QVERIFY(more.open(QIODevice::Append) && more.write(QByteArray(100, 'x')) == 100);
    more.close();
    QByteArray bytes;
    QVERIFY(readAll(*source, &bytes, &error));
    QCOMPARE(bytes, QByteArray("0123456789"));
  }

  // A file, or a link to one, gets the new text, and a link stays a link.
  void output_data() {
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("error");
    QTest::newRow("a new name") << ""
                                << "";
    QTest::newRow("a file") << "file"
                            << "";
    QTest::newRow("a link to a file") << "link:target"
                                      << "";
    QTest::newRow("a folder") << "folder"
                              << "Is a folder, not a file";
  }

  void output() {
    QFETCH(QString, kind);
    QFETCH(QString, error);
    QTemporaryDir dir;
    const QString path = dir.filePath("out");
    QVERIFY(makeFile(dir.filePath("target"), "file", "old"));
    if (!kind.isEmpty()) QVERIFY(makeFile(path, kind, "old"));
    const QString link = kindAndInode(path);
    OutputFile out;
    QString reason;
    const bool written =
        out.open(path, &reason) && out.write("new", &reason) && out.commit(&reason);
    QCOMPARE(reason, error);
    QCOMPARE(written, error.isEmpty());
    if (kind.startsWith("link:")) QCOMPARE(kindAndInode(path), link);
    QFile got(path);
    if (written) QVERIFY(got.open(QIODevice::ReadOnly) && got.readAll() == "new");
  }

  // A disk that fills up, which no test can do to a real one: the write
  // calls take `room` bytes (all they are given when negative), then fail
  // with ENOSPC; the sync at the end fails so too when `syncFails`, as a
  // file system that allocates late tells it. Whenever it is found, the
  // report names its file and the system's reason, and what was at the
  // path is left as it was.
  void aFullDiskIsNamed_data() {
    QTest::addColumn<QString>("kind");
    QTest::addColumn<qint64>("room");
    QTest::addColumn<bool>("syncFails");
    QTest::newRow("a file, at the first write") << "file" << qint64(0) << false;
    QTest::newRow("a file, partway through a write") << "file" << qint64(300) << false;
    QTest::newRow("a new name, partway through a write") << "" << qint64(1) << false;
    QTest::newRow("a file, at the sync") << "file" << qint64(-1) << true;
    QTest::newRow("a device, partway through a write") << "null" << qint64(300) << false;
  }

  void aFullDiskIsNamed() {
    QFETCH(QString, kind);
    QFETCH(qint64, room);
    QFETCH(bool, syncFails);
    QTemporaryDir dir;
    const QString path = dir.filePath("report");
    if (!kind.isEmpty()) QVERIFY(makeFile(path, kind, "old"));
    OutputCalls calls = OutputCalls::system();
    calls.write = [&room](int descriptor, const void* bytes, size_t size) -> ssize_t {
      if (room == 0) {
        errno = ENOSPC;
        return -1;
      }
      if (room > 0 && size > size_t(room)) size = size_t(room);
      const ssize_t written = ::write(descriptor, bytes, size);
      if (room > 0 && written > 0) room -= written;
      return written;
    };
    calls.sync = [syncFails](int descriptor) {
      if (!syncFails) return ::fsync(descriptor);
      errno = ENOSPC;
      return -1;
    };
    ReportOutput output(calls);
    QVERIFY2(output.openFile(path), qPrintable(output.error()));
    output.write(QByteArray(1000, 'x'));
    QVERIFY(!output.finish());
    QCOMPARE(output.error(), path + QStringLiteral(": No space left on device"));
    const QStringList left =
        QDir(dir.path())
            .entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System);
    QCOMPARE(left, kind.isEmpty() ? QStringList() : QStringList{"report"});
    QFile got(path);
    if (kind == "file") QVERIFY(got.open(QIODevice::ReadOnly) && got.readAll() == "old");
  }
};

QTEST_GUILESS_MAIN(TestFileRules)
#include "test_file_rules.moc"
