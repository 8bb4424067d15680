// Row texts handed out from shared blocks must behave as strings of their own.

#include <QTest>

#include "RowTextStore.h"
#include "SystemText.h"

class TestRowTextStore : public QObject {
  Q_OBJECT

 private slots:
  void textsReadAsDecoded_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("empty") << QByteArray();
    QTest::newRow("code") << QByteArray("abcd");
    QTest::newRow("message") << QByteArray("Tag abcd is read only, since 2");
    QTest::newRow("spaces and quotes") << QByteArray("  \"x\" , y ");
    QTest::newRow("utf-8") << QByteArray("Bl\xc3\xa4nde \xe2\x82\xac");
    QTest::newRow("invalid utf-8") << QByteArray(
        "a\xff"
        "b");
    QTest::newRow("control bytes") << QByteArray(
        "a\tb\x01"
        "c");
    // Long texts go through the copy sixteen bytes at a time: a byte outside
    // ASCII in a full group, at a group's edge, or in the bytes after the
    // last group must each send the text to the decoder.
    QTest::newRow("long ascii") << QByteArray("Parameter wxyz is clamped to its range 0 to 9735");
    QTest::newRow("utf-8 in the second group")
        << QByteArray("Parameter wxyz is \xc3\xa4 clamped to its range");
    QTest::newRow("utf-8 ending the first group") << QByteArray(
        "0123456789abcde\xc3"
        "\xa9 and more text after it");
    QTest::newRow("utf-8 after the last group")
        << QByteArray("0123456789abcdef0123456789abcdef\xe2\x82\xac");
  }
  void textsReadAsDecoded() {
    QFETCH(QByteArray, bytes);
    RowTextStore store;
    const QString before = store.text("x");
    const QString text = store.text(bytes);
    const QString after = store.text("y");
    QCOMPARE(text, decodeSystemText(bytes));
    QCOMPARE(before, QStringLiteral("x"));
    QCOMPARE(after, QStringLiteral("y"));
    // Every string's characters end in a NUL, which utf16() callers rely on.
    QCOMPARE(text.utf16()[text.size()], u'\0');
  }

  // Thousands of texts across several blocks, each changed or dropped in
  // turn, with the store gone: the others must keep their characters.
  void textsOutliveTheStoreAndChangeAlone() {
    QStringList texts;
    QStringList expected;
    {
      RowTextStore store;
      for (int i = 0; i < 40000; ++i) {
        const QByteArray bytes = QByteArray::number(i) + QByteArray(i % 23, 'm');
        texts.append(store.text(bytes));
        expected.append(QString::fromLatin1(bytes));
      }
      // One text longer than a block.
      const QByteArray longBytes(300000, 'L');
      texts.append(store.text(longBytes));
      expected.append(QString::fromLatin1(longBytes));
    }
    QCOMPARE(texts, expected);
    for (qsizetype i = 0; i < texts.size(); i += 3) {
      texts[i].append(QStringLiteral("++"));
      texts[i][0] = u'#';
      expected[i].append(QStringLiteral("++"));
      expected[i][0] = u'#';
    }
    for (qsizetype i = 1; i < texts.size(); i += 3) {
      texts[i] = QString();
      expected[i] = QString();
    }
    QCOMPARE(texts, expected);
    for (const QString& t : texts) QCOMPARE(t.utf16()[t.size()], u'\0');
  }

  // A text grows into the space after it only when it holds its block
  // alone; here the next text sits there.
  void growingATextLeavesItsNeighboursAlone() {
    RowTextStore store;
    QString first = store.text("first");
    const QString second = store.text("second");
    first.append(QStringLiteral(" and more"));
    QCOMPARE(first, QStringLiteral("first and more"));
    QCOMPARE(second, QStringLiteral("second"));
  }
};

QTEST_GUILESS_MAIN(TestRowTextStore)
#include "test_row_text_store.moc"
