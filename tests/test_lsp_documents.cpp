// The scripts an editor has open, in-process: their diagnostics in UTF-16
// positions, edits as the editor sends them, hovers and quick fixes. What
// goes over JSON-RPC is in test_lsp_protocol.

#include <QRegularExpression>
#include <QTest>

#include <memory>

#include <QRandomGenerator>

#include "Directive.h"
#include "DocumentCheck.h"
#include "EditorModel.h"
#include "OpenDocuments.h"
#include "QuickFix.h"
#include "ScriptHover.h"
#include "ShownDiagnostics.h"
#include "TestTables.h"

namespace {

const QString kUri = QStringLiteral("file:///scripts/a.csm");

// The tables, with directives read as the server reads them unless told not to.
const CheckSetup& setup() {
  static const CheckSetup made(
      [] {
        Tables tables = makeTables({"zmod", "isoa"}, {"ownr"});
        tables.paramsPath = QStringLiteral("t/param.txt");
        tables.tagsPath = QStringLiteral("t/tags.txt");
        return tables;
      }(),
      CheckSettings{true, false, {}, nullptr});
  return made;
}

QJsonArray diagnosticsOf(const QByteArray& text) {
  const std::atomic<bool> stop{false};
  return diagnosticsOf(checkDocument(setup(), text, stop));
}

// Each diagnostic's code and message, wherever it stands.
QStringList withoutRanges(QStringList shown) {
  for (QString& d : shown) d = d.section(u' ', 1);
  return shown;
}

// A change of the text from one position to another.
QJsonObject edit(int line, int character, int endLine, int endCharacter, const QString& text) {
  const lsp::TextRange range{{line, character}, {endLine, endCharacter}};
  return {{"range", lsp::toJson(range)}, {"text", text}};
}

// The script open at version 1, then the changes made at version 2: what
// was wrong with them, if anything.
QString changed(OpenDocuments& documents, const QString& script, const QJsonArray& changes) {
  QString uri;
  documents.open(
      QJsonObject{{"textDocument", QJsonObject{{"uri", kUri}, {"version", 1}, {"text", script}}}},
      &uri);
  return documents.change(QJsonObject{{"textDocument", QJsonObject{{"uri", kUri}, {"version", 2}}},
                                      {"contentChanges", changes}},
                          &uri);
}

// Pieces that random texts and edits are made of: every line end,
// characters of one to four UTF-8 bytes and one or two UTF-16 units, and
// the halves of a surrogate pair on their own.
const QStringList kPieces{"a",    "b",  " ",  "\u00e9",      "\u20ac",     "\U0001F600",
                          "\r\n", "\r", "\n", QChar(0xD83D), QChar(0xDE00)};

QString randomText(QRandomGenerator& random, int pieces) {
  QString text;
  for (int i = 0; i < pieces; ++i) text += kPieces[random.bounded(int(kPieces.size()))];
  return text;
}

enum class Order { Backwards, Forwards, Anywhere };

// `count` edits in `order` over a text of about `lines` lines, each
// replacing up to two characters, or a line end, with up to three pieces.
QJsonArray randomEdits(QRandomGenerator& random, int count, int lines, Order order) {
  std::vector<std::pair<int, int>> at;
  for (int i = 0; i < count; ++i) at.emplace_back(random.bounded(lines + 2), random.bounded(7));
  if (order != Order::Anywhere) std::sort(at.begin(), at.end());
  if (order == Order::Backwards) std::reverse(at.begin(), at.end());
  QJsonArray changes;
  for (const auto& [line, character] : at) {
    const bool nextLine = random.bounded(4) == 0;
    changes.append(edit(line, character, line + (nextLine ? 1 : 0),
                        nextLine ? 0 : character + random.bounded(3),
                        randomText(random, random.bounded(4))));
  }
  return changes;
}

}  // namespace

class LspDocumentsTest : public QObject {
  Q_OBJECT

 private slots:
  // A warning for each alert nothing silences, ranged over the quoted code
  // in UTF-16 units of the LSP line it stands on.
  void diagnostics_data() {
    QTest::addColumn<QByteArray>("script");
    QTest::addColumn<QString>("expected");  // joined by " | "
    auto row = [](const char* name, const QByteArray& script, const QString& expected) {
      QTest::newRow(name) << script << expected;
    };
    row("ASCII, CR LF", "zoom = GetCameraState(\"zmod\",0)\r\nSetCameraState(\"isoa\", 1) # x\r\n",
        "0:22-0:28 zmod param row 1 | 1:15-1:21 isoa param row 2");
    row("a tab, and characters of two, three and four bytes",
        "\t\xc3\xa9\xe2\x82\xac\xf0\x9f\x98\x80 = \"zmod\"\r", "0:8-0:14 zmod param row 1");
    row("surrogate halves on their own, one unit each, as the editor holds them",
        "\xed\xb8\x80\xed\xa0\xbdx = \"zmod\"\r", "0:6-0:12 zmod param row 1");
    row("CR, CR LF and LF each start an LSP line",
        "a = 1\rb\r\nc = 2\nSetCameraState(\"zmod\",0)\r\n", "3:15-3:21 zmod param row 1");
    row("a tag alert left of the parameter alert", "x = \"ownr\" + \"zmod\"\r\n",
        "0:13-0:19 zmod param row 1 | 0:4-0:10 ownr tag row 1");
    row("silenced by directives",
        "x = \"zmod\" # vornel-scan: disable=zmod\ry = \"isoa\"\r\n"
        "# vornel-scan: disable-file=isoa -- old\nrig\r",
        "");
    row("a comment that is no directive, to its script line's end",
        "x = \"zmod\" # vornel-scan: enable=zmod\r\nz = 1 # vornel-scan: on\nb\r",
        "0:11-0:37 not-a-directive not a directive: unknown directive 'enable' | 0:4-0:10 zmod "
        "param row 1 | "
        "1:6-2:1 not-a-directive not a directive: unknown directive 'on\nb'");
  }
  void diagnostics() {
    QFETCH(QByteArray, script);
    QFETCH(QString, expected);
    QCOMPARE(shown(diagnosticsOf(script)).join(" | "), expected);
  }

  // A row that gives no message is shown by its code, as in every report.
  void rowWithoutMessage() {
    ReferenceTableBuilder builder;
    const auto code = builder.addText(u"nomg");
    builder.addRow(code, builder.addText(QStringView()), builder.addText(QStringView()), 1);
    Tables tables;
    tables.params = builder.build();
    const CheckSetup silent(std::move(tables), CheckSettings());
    const std::atomic<bool> stop{false};
    const QJsonArray shown = diagnosticsOf(checkDocument(silent, "x = \"nomg\"\r\n", stop));
    QCOMPARE(shown.size(), 1);
    QCOMPARE(shown[0]["message"].toString(), QStringLiteral("nomg"));
  }

  // Under crlf a script with a lone LF is told of at the first, in the
  // editor's lines, among the diagnostics of its checker line, by its rule;
  // under any a lone LF ends the checker's line as it ends the editor's;
  // under auto the first line end decides.
  void lineEnds_data() {
    using textlines::LineEnds;
    QTest::addColumn<LineEnds>("lineEnds");
    QTest::addColumn<QByteArray>("script");
    QTest::addColumn<QString>("expected");  // joined by " | "
    const QString told = QStringLiteral(
        "line-ends a line ends in LF alone in a script whose first line ends in CR: %1 "
        "joined into the lines before; write every line end as CR LF (in git: '*.csm text "
        "eol=crlf' in .gitattributes, then 'git add --renormalize .'), or set "
        "'line-ends = any'");
    QTest::newRow("crlf: CR LF only")
        << LineEnds::CrLf << QByteArray("x = \"zmod\"\r\n") << "0:4-0:10 zmod param row 1";
    QTest::newRow("crlf: the first lone LF, after an alert on a later line")
        << LineEnds::CrLf
        << QByteArray(
               "a\r\n\xc3\xa9"
               "b\nc\nx = \"zmod\"\r\ny = \"isoa\"\r\n")
        << "3:4-3:10 zmod param row 1 | 1:2-2:0 " + told.arg("2 lines were") +
               " | 4:4-4:10 isoa param row 2";
    QTest::newRow("auto: the same")
        << LineEnds::Auto
        << QByteArray(
               "a\r\n\xc3\xa9"
               "b\nc\nx = \"zmod\"\r\ny = \"isoa\"\r\n")
        << "3:4-3:10 zmod param row 1 | 1:2-2:0 " + told.arg("2 lines were") +
               " | 4:4-4:10 isoa param row 2";
    QTest::newRow("auto: LF first")
        << LineEnds::Auto << QByteArray("# zoom\nx = \"zmod\"\r\ny = \"isoa\"\n")
        << "1:4-1:10 zmod param row 1 | 2:4-2:10 isoa param row 2";
    QTest::newRow("any: LF only") << LineEnds::Any
                                  << QByteArray("# zoom\nx = \"zmod\"\ny = \"isoa\"\n")
                                  << "1:4-1:10 zmod param row 1 | 2:4-2:10 isoa param row 2";
    QTest::newRow("any: mixed, a tab and a wide character")
        << LineEnds::Any << QByteArray("a\r\nb\n\r\t\xf0\x9f\x98\x80 = \"zmod\"\n\nx = \"isoa\"")
        << "3:6-3:12 zmod param row 1 | 5:4-5:10 isoa param row 2";
    QTest::newRow("any: a directive for the next line")
        << LineEnds::Any
        << QByteArray("# vornel-scan: disable-next-line=zmod\nx = \"zmod\"\nx = \"zmod\"\n")
        << "2:4-2:10 zmod param row 1";
  }
  void lineEnds() {
    QFETCH(textlines::LineEnds, lineEnds);
    QFETCH(QByteArray, script);
    QFETCH(QString, expected);
    CheckSettings settings{true, false, {}, nullptr};
    settings.lineEnds = lineEnds;
    settings.tellLoneLineFeeds = true;
    const CheckSetup lineEndsSetup(makeTables({"zmod", "isoa"}, {"ownr"}), settings);
    const std::atomic<bool> stop{false};
    QCOMPARE(shown(diagnosticsOf(checkDocument(lineEndsSetup, script, stop))).join(" | "),
             expected);
  }

  // An editor is no place for a million squiggles: the first ones, and a
  // note with their number.
  void mostDiagnostics_data() {
    QTest::addColumn<int>("alerts");
    QTest::addColumn<bool>("firstSilenced");
    QTest::addColumn<QString>("note");
    QTest::newRow("one fewer than are shown") << int(kMostDiagnostics) - 1 << false << QString();
    QTest::newRow("as many as are shown") << int(kMostDiagnostics) << false << QString();
    QTest::newRow("one more") << int(kMostDiagnostics) + 1 << false
                              << "vornel-scan shows 10000 of the 10001 warnings in this script";
    QTest::newRow("one more, one of them silenced")
        << int(kMostDiagnostics) + 1 << true << QString();
  }
  void mostDiagnostics() {
    QFETCH(int, alerts);
    QFETCH(bool, firstSilenced);
    QFETCH(QString, note);
    const QByteArray lines[] = {"x = \"zmod\"\r\n", "\tx = \"zmod\"\r", "a\nx = \"zmod\"\r\n"};
    QByteArray script = firstSilenced ? "# vornel-scan: disable-next-line=zmod\r" : "";
    for (int i = 0; i < alerts; ++i) script += lines[i % 3];
    const QJsonArray diagnostics = diagnosticsOf(script);
    const qsizetype warnings = qMin<qsizetype>(alerts - firstSilenced, kMostDiagnostics);
    QCOMPARE(diagnostics.size(), warnings + (note.isEmpty() ? 0 : 1));
    QCOMPARE(diagnostics[warnings - 1].toObject().value("severity"), QJsonValue(2));
    if (!note.isEmpty()) {
      QCOMPARE(shown(diagnostics.last()), "0:0-0:0  " + note);
      QCOMPARE(diagnostics.last().toObject().value("severity"), QJsonValue(3));
    }
  }

  // Changes in UTF-16 positions, each on the text the one before left; a
  // change that is not one changes nothing.
  void edits_data() {
    QTest::addColumn<QByteArray>("script");
    QTest::addColumn<QJsonArray>("changes");
    QTest::addColumn<QByteArray>("result");
    QTest::addColumn<QString>("problem");
    auto row = [](const char* name, const QByteArray& script, const QJsonArray& changes,
                  const QByteArray& result, const QString& problem = {}) {
      QTest::newRow(name) << script << changes << result << problem;
    };
    // As the editor holds it: a surrogate half on its own, as the three
    // bytes of its code, and a pair as its character.
    row("inside a surrogate pair splits it", "\xf0\x9f\x98\x80x", {edit(0, 1, 0, 3, "a")},
        "\xed\xa0\xbd"
        "a");
    row("one half taken, then the character before it", "a\xf0\x9f\x98\x80=\"zmod\"",
        {edit(0, 2, 0, 3, ""), edit(0, 1, 0, 2, "")}, "a=\"zmod\"");
    row("one half taken, then put back", "a\xf0\x9f\x98\x80",
        {edit(0, 2, 0, 3, ""), edit(0, 2, 0, 2, QChar(0xDE00))}, "a\xf0\x9f\x98\x80");
    row("the halves put one by one, the low one first", "ab",
        {edit(0, 1, 0, 1, QChar(0xDE00)), edit(0, 1, 0, 1, QChar(0xD83D))},
        "a\xf0\x9f\x98\x80"
        "b");
    row("what stood between two halves taken", "\xf0\x9f\x98\x80\r\n\xf0\x9f\x98\x80",
        {edit(0, 1, 1, 1, "")}, "\xf0\x9f\x98\x80");
    row("joining lines across CR LF, CR and LF", "x = \"zm\r\nod\"\ra\nb\r",
        {edit(0, 7, 1, 0, ""), edit(0, 10, 1, 0, ""), edit(0, 11, 1, 0, "")}, "x = \"zmod\"ab\r");
    row("the second change on the line the first made", "x = \"zmod\"\r\n",
        {edit(0, 0, 0, 0, "a = 1\r"), edit(1, 5, 1, 9, "isoa")}, "a = 1\rx = \"isoa\"\r\n");
    // At each line end: the character before it, the end, one past.
    for (const auto& [name, end] : {std::pair{"CR", QByteArray("\r")},
                                    {"LF", QByteArray("\n")},
                                    {"CR LF", QByteArray("\r\n")}}) {
      const QByteArray text = "ab" + end + "cd";
      QTest::addRow("%s: the character before it", name)
          << text << QJsonArray{edit(0, 1, 0, 2, "x")} << "ax" + end + "cd" << QString();
      QTest::addRow("%s: at it", name)
          << text << QJsonArray{edit(0, 2, 0, 2, "x")} << "abx" + end + "cd" << QString();
      QTest::addRow("%s: one past it", name)
          << text << QJsonArray{edit(0, 3, 0, 3, "x")} << "abx" + end + "cd" << QString();
      QTest::addRow("%s: from it to the next line", name)
          << text << QJsonArray{edit(0, 2, 1, 0, "")} << QByteArray("abcd") << QString();
    }
    row("a character past its line's end is the line's end", "x = 1\r\ny = 2\n",
        {edit(0, 99, 1, 99, "")}, "x = 1\n");
    row("a line past the last is the text's end", "x = 1\r", {edit(5, 0, 9, 3, "y")}, "x = 1\ry");
    row("the whole text", "x = \"zmod\"\r\n", {QJsonObject{{"text", "\rz\n"}}}, "\rz\n");
    const QByteArray two = "ab\r\ncd";
    row("a negative line, after a good change", two,
        {edit(0, 0, 0, 0, "x"), edit(-1, 0, 0, 0, "y")}, two,
        "params.contentChanges[1].range.start must be a position with no negative number");
    row("a negative character", two, {edit(0, 0, 0, -1, "y")}, two,
        "params.contentChanges[0].range.end must be a position with no negative number");
    row("an end before the start", two, {edit(0, 2, 0, 1, "y")}, two,
        "params.contentChanges[0].range must be a range that does not end before it starts");
  }
  void edits() {
    QFETCH(QByteArray, script);
    QFETCH(QJsonArray, changes);
    QFETCH(QByteArray, result);
    QFETCH(QString, problem);
    OpenDocuments documents;
    QCOMPARE(changed(documents, QString::fromUtf8(script), changes), problem);
    QCOMPARE(documents.find(kUri)->text, result);
    QCOMPARE(documents.find(kUri)->version, problem.isEmpty() ? 2 : 1);
  }

  // Many edits in one change land where the editor makes them, whichever
  // way through the text they go, across every kind of line end and
  // characters outside the 16-bit range, joining and splitting lines and
  // surrogate pairs.
  void manyEdits_data() {
    QTest::addColumn<QString>("script");
    QTest::addColumn<QJsonArray>("changes");
    auto row = [](const char* name, const QByteArray& script, const QJsonArray& changes) {
      QTest::newRow(name) << QString::fromUtf8(script) << changes;
    };
    const QByteArray mixed = "x = \"zmod\"\r\ny = \"\xf0\x9f\x98\x80\"\rz = 1\nw\r\n";
    row("first line, then last", mixed, {edit(0, 0, 0, 1, "q"), edit(3, 1, 3, 1, "!")});
    row("last line, then first", mixed, {edit(3, 0, 3, 1, "q"), edit(0, 0, 0, 0, "p")});
    row("past the text's end", mixed, {edit(4, 0, 4, 0, "tail"), edit(2, 3, 9, 9, "")});
    row("an end past the last line", mixed, {edit(1, 2, 7, 0, "\r\n")});
    row("a CR that meets an LF", "a\rb\nc", {edit(1, 0, 1, 1, ""), edit(0, 1, 0, 1, "x")});
    row("an LF put after a lone CR", "a\rb\r\nc", {edit(1, 0, 1, 0, "\n"), edit(1, 1, 1, 1, "y")});
    row("a CR put before an LF", "a\nb", {edit(0, 1, 0, 1, "\r"), edit(1, 0, 1, 0, "z")});
    row("between the CR and the LF", "a\r\nb", {edit(0, 2, 0, 2, "x"), edit(1, 0, 1, 0, "y")});
    row("the CR of a CR LF taken", "a\r\nb\r\nc",
        {edit(0, 1, 0, 2, ""), edit(1, 0, 1, 0, "y"), edit(2, 0, 2, 1, "Z")});
    row("lines added, then edited", "a\nb",
        {edit(0, 1, 0, 1, "\r\n1\r2\n3"), edit(3, 1, 4, 0, "-"), edit(2, 0, 2, 1, "+")});
    row("lines taken, then edited", "1\n2\r3\r\n4\n5",
        {edit(1, 0, 3, 0, ""), edit(1, 1, 1, 1, "x"), edit(0, 1, 2, 0, "")});
    row("a surrogate pair put, then split", "ab",
        {edit(0, 1, 0, 1, "\U0001F600"), edit(0, 2, 0, 2, "x"), edit(0, 3, 0, 4, "y")});
    row("the whole text between edits", "ab",
        {edit(0, 1, 0, 1, "x"), QJsonObject{{"text", "1\r\n2"}}, edit(1, 0, 1, 1, "3")});
    for (const auto& [name, order] : {std::pair{"backwards", Order::Backwards},
                                      {"forwards", Order::Forwards},
                                      {"anywhere", Order::Anywhere}}) {
      for (quint32 seed = 1; seed <= 20; ++seed) {
        QRandomGenerator random(seed);
        const QString text = randomText(random, 120);
        const int lines = int(text.count(u'\n') + text.count(u'\r'));
        QTest::addRow("random, %s, %u", name, seed)
            << text << randomEdits(random, 40, lines, order);
      }
    }
  }
  void manyEdits() {
    QFETCH(QString, script);
    QFETCH(QJsonArray, changes);
    OpenDocuments documents;
    QCOMPARE(changed(documents, script, changes), QString());
    for (const QJsonValue& change : changes) editormodel::apply(script, change.toObject());
    QCOMPARE(editormodel::decoded(documents.find(kUri)->text).value_or("not as the editor's"),
             script);
  }

  // A hover over a quoted code shows its table row, directives or not.
  void hover_data() {
    QTest::addColumn<int>("line");
    QTest::addColumn<int>("character");
    QTest::addColumn<QString>("shows");  // the row's first line and the range; empty: nothing
    const QString zmod = "'zmod' in params, t/param.txt line 1 at 0:19-0:25";
    QTest::newRow("on the opening quotation mark") << 0 << 19 << zmod;
    QTest::newRow("on the closing quotation mark") << 0 << 24 << zmod;
    QTest::newRow("just after it") << 0 << 25 << QString();
    QTest::newRow("before it") << 0 << 18 << QString();
    QTest::newRow("a tag, after a character outside 16 bits")
        << 1 << 6 << "'ownr' in tags, t/tags.txt line 1 at 1:6-1:12";
    QTest::newRow("inside that character, which ends before the code") << 1 << 5 << QString();
    QTest::newRow("on an LSP line after an LF")
        << 3 << 4 << "'isoa' in params, t/param.txt line 2 at 3:4-3:10";
    const QString isoa = "'isoa' in params, t/param.txt line 2 at 3:4-3:10";
    QTest::newRow("the last character before a CR LF") << 3 << 9 << isoa;
    QTest::newRow("at the CR LF") << 3 << 10 << QString();
    QTest::newRow("one past the CR LF") << 3 << 11 << QString();
    const QString ownr = "'ownr' in tags, t/tags.txt line 1 at 1:6-1:12";
    QTest::newRow("the last character before a CR") << 1 << 11 << ownr;
    QTest::newRow("at the CR") << 1 << 12 << QString();
    QTest::newRow("one past the CR") << 1 << 13 << QString();
    QTest::newRow("past the end of a line that ends in a code") << 3 << 99 << QString();
    QTest::newRow("a line past the last") << 7 << 0 << QString();
  }
  void hover() {
    QFETCH(int, line);
    QFETCH(int, character);
    QFETCH(QString, shows);
    const QByteArray text =
        "\xc3\xa9 = GetCameraState(\"zmod\",0)\r\nt = \xf0\x9f\x98\x80\"ownr\"\ra\nb = \"isoa\"\r\n"
        "# vornel-scan: disable-file=isoa\r\n";
    ScriptHover hover;
    QCOMPARE(hoverAt(setup(), text, {line, character}, &hover), !shows.isEmpty());
    if (shows.isEmpty()) return;
    const QString range = shown(QJsonObject{{"range", lsp::toJson(hover.range)}}).trimmed();
    QCOMPARE(hover.text.section(u'\n', 0, 0) + " at " + range, shows);
  }

  // The quick fix for the alert of zmod, applied as an editor applies it:
  // after it, that alert is gone and no other diagnostic came or went, and
  // the directive that names zmod reads back with its reason: a new one's
  // place holder for the writer to fill in, or the one it had.
  void quickFix_data() {
    QTest::addColumn<QByteArray>("script");
    QTest::addColumn<QByteArray>("fixed");  // empty: no fix
    QTest::addColumn<QString>("reason");
    auto row = [](const char* name, const QByteArray& script, const QByteArray& fixed,
                  const QString& reason = QStringLiteral("reason")) {
      QTest::newRow(name) << script << fixed << reason;
    };
    row("a line without a comment", "x = \"zmod\"\ry = 1\r",
        "x = \"zmod\"  # vornel-scan: disable=zmod -- reason\ry = 1\r");
    row("a line with an LF and a comment", "a = 1\nx = \"zmod\" # zoom\r\ny = \"isoa\"",
        "a = 1\nx = \"zmod\" # zoom  # vornel-scan: disable=zmod -- reason\r\ny = \"isoa\"");
    row("a comment that looks like a reason", "x = \"zmod\" # zoom -- wide\r\n",
        "x = \"zmod\" # zoom -- wide  # vornel-scan: disable=zmod -- reason\r\n");
    row("a disable directive with a reason",
        "x = \"zmod\" + \"ownr\" #vornel-scan: disable = ownr -- the rig\r\n",
        "x = \"zmod\" + \"ownr\" #vornel-scan: disable = ownr,zmod -- the rig\r\n", "the rig");
    row("characters outside 16 bits before the directive",
        "\xf0\x9f\x98\x80 = \"zmod\" # \xf0\x9f\x98\x80 vornel-scan: x # vornel-scan: "
        "disable=isoa\r\n",
        "\xf0\x9f\x98\x80 = \"zmod\" # \xf0\x9f\x98\x80 vornel-scan: x # vornel-scan: "
        "disable=isoa,zmod\r\n",
        "");
    row("another kind of directive: the line above, with the line's CR",
        "a = 1\r\tx = \"zmod\" # vornel-scan: disable-file=isoa\ry\r",
        "a = 1\r\t# vornel-scan: disable-next-line=zmod -- reason\r"
        "\tx = \"zmod\" # vornel-scan: disable-file=isoa\ry\r");
    row("the last line, with no line end, takes CR LF",
        "x = \"zmod\" # vornel-scan: disable-file=isoa",
        "# vornel-scan: disable-next-line=zmod -- reason\r\nx = \"zmod\" # vornel-scan: "
        "disable-file=isoa");
    row("the line above disables the next line already",
        "# vornel-scan: disable-next-line=isoa\rx = \"zmod\" # vornel-scan: disable-file=ownr\r\n",
        "# vornel-scan: disable-next-line=isoa,zmod\rx = \"zmod\" # vornel-scan: "
        "disable-file=ownr\r\n",
        "");
    row("a comment that is no directive", "x = \"zmod\" # vornel-scan: enable=zmod\r\n",
        "x = \"zmod\" # vornel-scan: enable=zmod  # vornel-scan: disable=zmod -- reason\r\n");
    row("the line's directive names it already", "x = \"zmod\" # vornel-scan: disable=zmod\r\n",
        "");
    row("the line above names it already",
        "# vornel-scan: disable-next-line=zmod\rx = \"zmod\" # vornel-scan: disable-file=isoa\r",
        "");
  }
  void quickFix() {
    QFETCH(QByteArray, script);
    QFETCH(QByteArray, fixed);
    QFETCH(QString, reason);
    TextEdit fix;
    const TextPosition alert = textpositions::positionOf(script, script.indexOf("\"zmod\""));
    QCOMPARE(disableCodeEdit(script, alert, QStringLiteral("zmod"), &fix), !fixed.isEmpty());
    if (fixed.isEmpty()) return;
    QCOMPARE(fix.range.end, fix.range.start);
    OpenDocuments documents;
    const QJsonObject change{{"range", lsp::toJson(fix.range)}, {"text", fix.newText}};
    QCOMPARE(changed(documents, QString::fromUtf8(script), {change}), QString());
    QCOMPARE(documents.find(kUri)->text, fixed);
    QStringList left = withoutRanges(shown(diagnosticsOf(script)));
    left.removeOne(QStringLiteral("zmod param row 1"));
    QCOMPARE(withoutRanges(shown(diagnosticsOf(fixed))), left);
    QStringList reasons;
    for (const QString& line : QString::fromUtf8(fixed).split(QRegularExpression("\r\n|\r|\n"))) {
      for (const directive::Found& found : directive::findIn(line)) {
        if (found.directive.codes.contains(QStringLiteral("zmod")))
          reasons += found.directive.reason;
      }
    }
    QCOMPARE(reasons, QStringList{reason});
  }
};

QTEST_GUILESS_MAIN(LspDocumentsTest)
#include "test_lsp_documents.moc"
