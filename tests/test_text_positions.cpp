// Positions in a document: LSP's lines and UTF-16 units, script lines and
// code-point columns, and byte offsets of the UTF-8 text.

#include <QTest>

#include "TextPositions.h"

class TextPositionsTest : public QObject {
  Q_OBJECT

 private slots:
  // An LSP position, its byte offset, and the position that offset maps back to.
  void lspPositions_data() {
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<int>("line");
    QTest::addColumn<int>("character");
    QTest::addColumn<int>("offset");
    QTest::addColumn<int>("backLine");
    QTest::addColumn<int>("backCharacter");
    const QByteArray mixed = "a\xc3\xa9\xe2\x82\xac\xf0\x9f\x98\x80z";  // a é € 😀 z
    QTest::newRow("ASCII") << QByteArray("abc") << 0 << 2 << 2 << 0 << 2;
    QTest::newRow("after a two-byte character") << mixed << 0 << 2 << 3 << 0 << 2;
    QTest::newRow("after a three-byte character") << mixed << 0 << 3 << 6 << 0 << 3;
    QTest::newRow("after a four-byte character, two units") << mixed << 0 << 5 << 10 << 0 << 5;
    QTest::newRow("between the two units of one character") << mixed << 0 << 4 << 6 << 0 << 3;
    QTest::newRow("past the line's end") << QByteArray("ab\r\ncd") << 0 << 9 << 2 << 0 << 2;
    QTest::newRow("after CR LF") << QByteArray("ab\r\ncd") << 1 << 1 << 5 << 1 << 1;
    QTest::newRow("after CR") << QByteArray("ab\rcd") << 1 << 1 << 4 << 1 << 1;
    QTest::newRow("after LF") << QByteArray("ab\ncd") << 1 << 1 << 4 << 1 << 1;
    QTest::newRow("CR then LF then CR: three lines")
        << QByteArray("a\r\n\rb") << 2 << 1 << 5 << 2 << 1;
    QTest::newRow("past the last line") << QByteArray("ab\r\ncd") << 7 << 0 << 6 << 1 << 2;
    QTest::newRow("an empty text") << QByteArray() << 0 << 3 << 0 << 0 << 0;
    // Each line end, at its limit: the character just before it, the end,
    // one past, and the first character after it.
    for (const auto& [name, end] : {std::pair{"CR", QByteArray("\r")},
                                    {"LF", QByteArray("\n")},
                                    {"CR LF", QByteArray("\r\n")}}) {
      const QByteArray text = "ab" + end + "cd";
      const int next = 2 + int(end.size());
      QTest::addRow("%s: the character before it", name) << text << 0 << 1 << 1 << 0 << 1;
      QTest::addRow("%s: at it", name) << text << 0 << 2 << 2 << 0 << 2;
      QTest::addRow("%s: one past it", name) << text << 0 << 3 << 2 << 0 << 2;
      QTest::addRow("%s: the next line's start", name) << text << 1 << 0 << next << 1 << 0;
      QTest::addRow("%s: one into the next line", name) << text << 1 << 1 << next + 1 << 1 << 1;
    }
  }

  // Byte offsets at line ends, back to LSP positions, one at a time and in
  // one pass: between the CR and the LF of a CR LF is the end of the line.
  void offsetsAtLineEnds_data() {
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<int>("offset");
    QTest::addColumn<int>("line");
    QTest::addColumn<int>("character");
    QTest::newRow("CR LF: on the CR") << QByteArray("ab\r\ncd") << 2 << 0 << 2;
    QTest::newRow("CR LF: between the CR and the LF") << QByteArray("ab\r\ncd") << 3 << 0 << 2;
    QTest::newRow("CR LF: after the LF") << QByteArray("ab\r\ncd") << 4 << 1 << 0;
    QTest::newRow("CR then CR LF: between") << QByteArray("a\r\r\nb") << 3 << 1 << 0;
    QTest::newRow("CR then CR LF: after") << QByteArray("a\r\r\nb") << 4 << 2 << 0;
    QTest::newRow("LF then CR: after the CR") << QByteArray("a\n\rb") << 3 << 2 << 0;
    QTest::newRow("a CR LF that ends the text: between") << QByteArray("ab\r\n") << 3 << 0 << 2;
    QTest::newRow("a CR LF that ends the text: after") << QByteArray("ab\r\n") << 4 << 1 << 0;
  }
  void offsetsAtLineEnds() {
    QFETCH(QByteArray, text);
    QFETCH(int, offset);
    QFETCH(int, line);
    QFETCH(int, character);
    const TextPosition expected{line, character};
    QCOMPARE(textpositions::positionOf(text, offset), expected);
    ForwardPositions forward(text);
    forward.positionOf(offset - 1);  // a walk that stopped one byte before
    QCOMPARE(forward.positionOf(offset), expected);
  }
  void lspPositions() {
    QFETCH(QByteArray, text);
    QFETCH(int, line);
    QFETCH(int, character);
    QFETCH(int, offset);
    QFETCH(int, backLine);
    QFETCH(int, backCharacter);
    QCOMPARE(textpositions::offsetOf(text, {line, character}), offset);
    QCOMPARE(textpositions::positionOf(text, offset), (TextPosition{backLine, backCharacter}));
  }

  // The script line of an offset, and code-point columns in it.
  void scriptLines_data() {
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<int>("offset");
    QTest::addColumn<int>("number");
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("end");
    QTest::addColumn<int>("column");
    QTest::newRow("first line") << QByteArray("ab\r\ncd") << 1 << 1 << 0 << 2 << 2;
    QTest::newRow("on the CR") << QByteArray("ab\r\ncd") << 2 << 1 << 0 << 2 << 3;
    QTest::newRow("on the LF after the CR") << QByteArray("ab\r\ncd") << 3 << 1 << 0 << 2 << 3;
    QTest::newRow("second line") << QByteArray("ab\r\ncd") << 5 << 2 << 4 << 6 << 2;
    QTest::newRow("an LF stays in the line") << QByteArray("ab\ncd\rx") << 4 << 1 << 0 << 5 << 5;
    QTest::newRow("code points, not bytes")
        << QByteArray("\xf0\x9f\x98\x80\xc3\xa9x\r") << 6 << 1 << 0 << 7 << 3;
  }
  void scriptLines() {
    QFETCH(QByteArray, text);
    QFETCH(int, offset);
    QFETCH(int, number);
    QFETCH(int, start);
    QFETCH(int, end);
    QFETCH(int, column);
    const ScriptLine line = textpositions::scriptLineAt(text, offset);
    QCOMPARE(line.number, number);
    QCOMPARE(line.start, start);
    QCOMPARE(line.end, end);
    QCOMPARE(textpositions::columnOf(text, line, offset), column);
    QCOMPARE(textpositions::offsetOfColumn(text, line, column), qMin<qint64>(offset, end));
    ForwardPositions forward(text);
    QCOMPARE(forward.scriptLine(number).start, start);
  }
};

QTEST_GUILESS_MAIN(TextPositionsTest)
#include "test_text_positions.moc"
