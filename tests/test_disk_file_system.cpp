// The disk provider: one descriptor per open file, read by offset from
// several threads or in order as a stream, and failures in the system's
// own words.

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <thread>

#include <sys/stat.h>
#include <unistd.h>

#include "DiskFileSystem.h"

namespace {

bool write(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

QByteArray readWhole(ByteSource& source) {
  QByteArray bytes;
  QString error;
  return readAll(source, &bytes, &error) ? bytes : "<error: " + error.toUtf8() + ">";
}

}  // namespace

class TestDiskFileSystem : public QObject {
  Q_OBJECT

 private slots:
  void failures_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("reason");
    QTest::newRow("missing") << "missing.csm"
                             << "No such file or directory";
    QTest::newRow("a folder") << "folder"
                              << "Is a folder, not a file";
    QTest::newRow("below a file") << "plain.csm/x"
                                  << "Not a directory";
  }

  void failures() {
    QFETCH(QString, name);
    QFETCH(QString, reason);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("folder")));
    QVERIFY(write(dir.filePath(QStringLiteral("plain.csm")), "x"));
    DiskFileSystem files;
    QString error;
    QVERIFY(!files.open(dir.filePath(name), &error));
    QCOMPARE(error, reason);
  }

  // An open file keeps reading what it held, whatever is done to its path;
  // its size is the one it had when opened.
  void aFileReadsAsItWasOpened() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("a.csm"));
    QVERIFY(write(path, "first version\r\n"));
    DiskFileSystem files;
    QString error;
    const auto source = files.open(path, &error);
    QVERIFY2(source, qPrintable(error));
    QCOMPARE(source->size(), 15);
    const QString staged = dir.filePath(QStringLiteral("b.csm"));
    QVERIFY(write(staged, "the second version, longer\r\n"));
    QVERIFY(QFile::remove(path) && QFile::rename(staged, path));
    QCOMPARE(readWhole(*source), QByteArray("first version\r\n"));
    char bytes[5];
    QCOMPARE(source->readAt(6, bytes, 5, &error), 5);
    QCOMPARE(QByteArray(bytes, 5), QByteArray("versi"));
  }

  void readsByOffsetFromTwoThreads() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("big.csm"));
    QByteArray content;
    for (int i = 0; i < 200000; ++i) content += char('a' + i % 26);
    QVERIFY(write(path, content));
    DiskFileSystem files;
    QString error;
    const auto source = files.open(path, &error);
    QByteArray halves[2] = {QByteArray(100000, '\0'), QByteArray(100000, '\0')};
    auto readHalf = [&](int h) {
      QString reason;
      for (qint64 at = 0; at < 100000; at += 1000)
        source->readAt(h * 100000 + at, halves[h].data() + at, 1000, &reason);
    };
    std::thread other(readHalf, 1);
    readHalf(0);
    other.join();
    QCOMPARE(halves[0] + halves[1], content);
  }

  // A pipe has no size and is read once, in order.
  void aPipeIsAStream() {
    QTemporaryDir dir;
    const QString fifo = dir.filePath(QStringLiteral("pipe"));
    QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    std::thread writer([&] { write(fifo, "x=\"zmod\"\r\n"); });
    DiskFileSystem files;
    QString error;
    const auto source = files.open(fifo, &error);
    QVERIFY2(source, qPrintable(error));
    QCOMPARE(source->size(), -1);
    QCOMPARE(readWhole(*source), QByteArray("x=\"zmod\"\r\n"));
    writer.join();
  }
};

QTEST_GUILESS_MAIN(TestDiskFileSystem)
#include "test_disk_file_system.moc"
