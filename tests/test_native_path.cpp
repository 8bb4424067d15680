// Paths as bytes and as text: every byte string comes back as it was, and
// valid UTF-8 reads as the text it spells.

#include <QRandomGenerator>
#include <QTest>

#include "NativePath.h"

class NativePathTest : public QObject {
  Q_OBJECT

 private slots:
  void spelling_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text");
    QTest::newRow("ASCII") << QByteArray("scripts/a.csm") << QStringLiteral("scripts/a.csm");
    QTest::newRow("UTF-8") << QByteArray("caf\xc3\xa9/\xf0\x9f\x93\xb7")
                           << QStringLiteral("café/📷");
    QTest::newRow("Latin-1") << QByteArray("lat\xe9") << QString::fromUtf16(u"lat\xdce9");
    QTest::newRow("a sequence cut short")
        << QByteArray("\xe2\x82") << QString::fromUtf16(u"\xdce2\xdc82");
    QTest::newRow("an overlong slash")
        << QByteArray("\xc0\xaf") << QString::fromUtf16(u"\xdcc0\xdcaf");
    QTest::newRow("a lead byte where a last continuation must stand")
        << QByteArray("\xe2\x82\xc0") << QString::fromUtf16(u"\xdce2\xdc82\xdcc0");
    QTest::newRow("the highest continuation bytes")
        << QByteArray("\xc3\xbf\xe2\x82\xbf") << QString::fromUtf16(u"\x00ff\x20bf");
    QTest::newRow("a surrogate in UTF-8")
        << QByteArray("\xed\xa0\x80") << QString::fromUtf16(u"\xdced\xdca0\xdc80");
    QTest::newRow("a byte-order mark")
        << QByteArray("\xef\xbb\xbfx") << QChar(0xfeff) + QStringLiteral("x");
  }

  void spelling() {
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);
    QCOMPARE(decodeNativePath(bytes), text);
    QCOMPARE(encodeNativePath(text), bytes);
  }

  void everyByteStringComesBack() {
    QRandomGenerator random(77);
    static const char kBytes[] = {'a',    '/',    '\x80', '\xbf', '\xc3', '\xa9', '\xe2', '\x82',
                                  '\xac', '\xf0', '\x9f', '\x93', '\xed', '\xff', '\0'};
    for (int round = 0; round < 20000; ++round) {
      QByteArray bytes;
      for (int n = random.bounded(12); n > 0; --n) bytes += kBytes[random.bounded(15)];
      QCOMPARE(encodeNativePath(decodeNativePath(bytes)), bytes);
    }
  }
};

QTEST_GUILESS_MAIN(NativePathTest)
#include "test_native_path.moc"
