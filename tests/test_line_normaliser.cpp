// Turning raw lines into statements.

#include <QRandomGenerator>
#include <QTest>

#include "LineNormaliser.h"
#include "StatementStream.h"

namespace {

struct Normalised {
  QString statement;
  qint64 length;
  bool hasEquals;
  QList<qsizetype> rawIndex;
};

// On characters, as the scan does for a line it decodes first.
Normalised fromText(const QString& raw) {
  QString out(raw.size(), QChar());
  QList<qsizetype> index(raw.size());
  const auto r = normaliser::normalise(raw.constData(), raw.size(), out.data(), -1, index.data());
  return {out.left(r.length), r.length, r.hasEquals, index.mid(0, r.length)};
}

// Straight from bytes, as the scan does for ASCII lines.
Normalised fromBytes(const QByteArray& raw) {
  QByteArray out(raw.size(), '\0');
  QList<qsizetype> index(raw.size());
  const auto r = normaliser::normalise(raw.constData(), raw.size(), out.data(), -1, index.data());
  return {QString::fromLatin1(out.left(r.length)), r.length, r.hasEquals, index.mid(0, r.length)};
}

}  // namespace

class LineNormaliserTest : public QObject {
  Q_OBJECT

 private slots:
  void examples_data() {
    QTest::addColumn<QString>("raw");
    QTest::addColumn<QString>("statement");
    QTest::addColumn<qint64>("length");
    QTest::addColumn<bool>("hasEquals");
    auto row = [](const char* tag, const QString& raw, const QString& statement, bool eq) {
      QTest::newRow(tag) << raw << statement << qint64(statement.size()) << eq;
    };
    row("assignment of a call", "x = GetCameraState(\"abcd\", y)", "x=GetCameraState(\"abcd\",y)",
        true);
    row("indent and comment", "    SetCameraState(\"zmod\", 1)   # zoom",
        "SetCameraState(\"zmod\",1)", false);
    row("words keep one space", "for i = 1 to 10", "for i=1 to 10", true);
    row("punctuation drops spaces", "if (x == 1) then", "if(x==1)then", true);
    row("run of spaces in quotes", "print(\"hello  world\")", "print(\"hello world\")", false);
    row("tab between letters", "a\tb", "ab", false);
    row("tab then space", "a\t b", "a b", false);
    row("space then tab", "a \tb", "ab", false);
    row("hash inside quotes cuts", "name = \"my#1\"", "name=\"my", true);
    row("leading equals", "= a b", "=a b", true);
    row("comment only", "# comment only", "", false);
    row("empty line", "", "", false);
    row("spaces and tabs", "  \t  \t", "", false);
    row("trailing space after letter", "ab ", "ab", false);
    row("space after equals", "x= 1", "x=1", true);
    row("equals after hash", "x # y = 2", "x", false);
    row("accented letter is not a letter", u"\u00e9 x"_qs, u"\u00e9x"_qs, false);
    row("underscore is not a letter", "a_ b", "a_b", false);
    row("vertical tab kept", "a\vb", "a\vb", false);
    row("form feed and LF dropped", "a\f\nb", "ab", false);
    row("digits keep the space", "9 9", "9 9", false);
    row("no word before equals", " = = x", "==x", true);
  }

  void examples() {
    QFETCH(QString, raw);
    QFETCH(QString, statement);
    QFETCH(qint64, length);
    QFETCH(bool, hasEquals);
    const Normalised got = fromText(raw);
    QCOMPARE(got.statement, statement);
    QCOMPARE(got.length, length);
    QCOMPARE(got.hasEquals, hasEquals);
    // Each statement character was copied from the raw character noted for it.
    for (qsizetype i = 0; i < got.length; ++i) QCOMPARE(raw[got.rawIndex[i]], statement[i]);
    if (raw.toUtf8() == raw.toLatin1()) {
      const Normalised bytes = fromBytes(raw.toLatin1());
      QCOMPARE(bytes.statement, statement);
      QCOMPARE(bytes.hasEquals, hasEquals);
    }
  }

  // The byte path the scan takes for ASCII lines and the character path must
  // never disagree, on the statement or on where its characters came from.
  void bytesAndCharactersAgree() {
    QRandomGenerator random(11);
    const char alphabet[] = " \t\f\n=#\"aZ9_(,.\v";
    for (int round = 0; round < 20000; ++round) {
      QByteArray raw;
      const int size = random.bounded(24);
      for (int i = 0; i < size; ++i) raw.append(alphabet[random.bounded(int(sizeof alphabet) - 1)]);
      const Normalised bytes = fromBytes(raw);
      const Normalised chars = fromText(QString::fromLatin1(raw));
      QCOMPARE(bytes.statement, chars.statement);
      QCOMPARE(bytes.hasEquals, chars.hasEquals);
      QCOMPARE(bytes.rawIndex, chars.rawIndex);
    }
  }

  void longStatementHasItsFullLength() {
    const QString raw = QStringLiteral("x=\"") + QString(40000, QLatin1Char('y'));
    const Normalised got = fromText(raw);
    QCOMPARE(got.length, qint64(40003));
  }

  // A line's statement built from its bytes a piece at a time is the one
  // built from the whole line decoded, wherever the pieces are cut: inside
  // a character, in a run of bytes no character has, before a comment.
  void builtInPieces() {
    static const char* const kPieces[] = {"a",
                                          "Z9",
                                          " ",
                                          "\t",
                                          "\f",
                                          "\n",
                                          "=",
                                          "#",
                                          "\"",
                                          "\xc3\xa9",
                                          "\xe2\x82\xac",
                                          "\xf0\x9f\x93\xb7",
                                          "\xff",
                                          "\x80",
                                          "\xc3",
                                          "\xe2\x82",
                                          "\xf0\x9f",
                                          "\xbf\xbf\xbf\xbf\xbf",
                                          "\xed\xa0\x80",
                                          "\xEF\xBB\xBF",
                                          "\xc0\xaf"};
    QRandomGenerator random(21);
    for (int round = 0; round < 20000; ++round) {
      QByteArray line;
      for (int p = random.bounded(24); p > 0; --p)
        line += kPieces[random.bounded(int(std::size(kPieces)))];
      const QString text = decodeSystemText(line);
      const Normalised expected = fromText(text);
      QString statement;
      QList<qint64> columns;
      StatementStream stream;
      for (qsizetype at = 0; at < line.size() || at == 0;) {
        const qsizetype n = qMin<qsizetype>(random.bounded(1, 8), line.size() - at);
        stream.feed(QByteArrayView(line).sliced(at, n), at + n == line.size(),
                    [&](char16_t c, qint64 column) {
                      statement.append(QChar(c));
                      columns.append(column);
                    });
        at += n;
        if (at == line.size()) break;
      }
      const auto hex = line.toHex(' ');
      QVERIFY2(statement == expected.statement, hex.constData());
      QCOMPARE(stream.hasEquals(), expected.hasEquals);
      for (qsizetype i = 0; i < columns.size(); ++i) {
        // Columns count code points: a pair of surrogates is one.
        qint64 column = 1;
        for (qsizetype k = 0; k < expected.rawIndex[i]; ++k) column += !text[k].isLowSurrogate();
        QVERIFY2(columns[i] == column, hex.constData());
      }
    }
  }
};

QTEST_GUILESS_MAIN(LineNormaliserTest)
#include "test_line_normaliser.moc"
