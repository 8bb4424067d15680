#pragma once

#include <atomic>

#include <QByteArrayView>
#include <QJsonArray>
#include <QJsonObject>
#include <QString>

#include "CheckSetup.h"
#include "DocumentCheck.h"
#include "EditorModel.h"
#include "FuzzTables.h"
#include "OpenDocuments.h"

// The language server's open script against the editor's: after every
// change, of one edit or several, in UTF-16 positions that may fall
// between the halves of a surrogate pair, past a line's end or past the
// last line, the server holds the text the editor holds; and at the end
// its check shows what a check of that text saved by the editor shows,
// each lone half as U+FFFD. The input: pieces of the first text, one a
// byte, up to a byte 0xFF; then the changes, each a byte that tells how
// many edits (its low two bits, plus one) and whether the change is a
// whole new text (its next four bits all zero), then for each edit a line,
// a character, a span and a number of pieces, a byte each, and the pieces.
// Returns the first difference, or the empty text.
namespace fuzzcheck {

inline const QStringList& editPieces() {
  // clang-format off
  static const QStringList pieces{
      "a", "\"zmod\"", "\"\U0001F4F7ab\"", " = ", "\U0001F600",
      QChar(0xD83D), QChar(0xDCF7), QChar(0xDE00),  // a high half, two low ones
      "\u00e9", "\u20ac", "\r\n", "\r", "\n", "#", "\"", "x", "="};
  // clang-format on
  return pieces;
}

inline QString editorEditsDifference(QByteArrayView input) {
  qsizetype at = 0;
  auto next = [&] { return at < input.size() ? static_cast<unsigned char>(input[at++]) : 0; };
  auto pieces = [&](int count) {
    QString text;
    for (int i = 0; i < count; ++i) text += editPieces()[next() % editPieces().size()];
    return text;
  };
  QString editor;
  while (at < input.size() && static_cast<unsigned char>(input[at]) != 0xFF) editor += pieces(1);
  ++at;

  const QString uri = QStringLiteral("file:///fuzz.csm");
  OpenDocuments server;
  QString changed;
  server.open(
      QJsonObject{{"textDocument", QJsonObject{{"uri", uri}, {"version", 1}, {"text", editor}}}},
      &changed);
  for (int version = 2; at < input.size(); ++version) {
    const int head = next();
    QJsonArray edits;
    for (int i = 0; i <= (head & 3); ++i) {
      const qint64 lines = editor.count(u'\n') + editor.count(u'\r') + 2;
      const qint64 line = next() % lines;
      const qint64 character = next() % 12;
      const int span = next();
      const int count = next() % 4;
      // Within the line, or over a line end or two.
      const qint64 endLine = line + (span & 3) / 2;
      const qint64 endCharacter = endLine == line ? character + (span >> 2) % 5 : (span >> 2) % 12;
      QJsonObject edit{{"text", pieces(count)}};
      if (((head >> 2) & 15) != 0) {
        edit.insert(
            "range",
            QJsonObject{{"start", QJsonObject{{"line", line}, {"character", character}}},
                        {"end", QJsonObject{{"line", endLine}, {"character", endCharacter}}}});
      }
      edits.append(edit);
      editormodel::apply(editor, edit);
    }
    const QString problem =
        server.change(QJsonObject{{"textDocument", QJsonObject{{"uri", uri}, {"version", version}}},
                                  {"contentChanges", edits}},
                      &changed);
    if (!problem.isEmpty())
      return QStringLiteral("change %1 refused: %2").arg(version).arg(problem);
    const std::optional<QString> held = editormodel::decoded(server.find(uri)->text);
    if (!held) return QStringLiteral("after change %1 the text is no WTF-8").arg(version);
    if (*held != editor) {
      qsizetype same = 0;
      while (same < held->size() && same < editor.size() && (*held)[same] == editor[same]) ++same;
      return QStringLiteral("after change %1 the server's text parts from the editor's at unit %2")
          .arg(version)
          .arg(same);
    }
  }

  static const CheckSetup setup(fuzzTables(), CheckSettings{true, false, {}, nullptr});
  // The text as the editor saves it: each lone half as U+FFFD.
  QString saved = editor;
  for (qsizetype i = 0; i < saved.size(); ++i) {
    if (saved[i].isHighSurrogate() && i + 1 < saved.size() && saved[i + 1].isLowSurrogate()) {
      ++i;
    } else if (saved[i].isSurrogate()) {
      saved[i] = QChar::ReplacementCharacter;
    }
  }
  const std::atomic<bool> stop{false};
  const QJsonArray shown = diagnosticsOf(checkDocument(setup, server.find(uri)->text, stop));
  const QJsonArray expected = diagnosticsOf(checkDocument(setup, saved.toUtf8(), stop));
  if (shown != expected) {
    return QStringLiteral("the check shows %1 diagnostics, of the saved text %2")
        .arg(shown.size())
        .arg(expected.size());
  }
  return {};
}

}  // namespace fuzzcheck
