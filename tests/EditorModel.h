#pragma once

#include <optional>

#include <QJsonObject>
#include <QString>

// The editor's side of an open script, for tests: its text in UTF-16, as
// VS Code and Neovim hold it, and LSP's changes made on it unit by unit,
// so that an edit may split a surrogate pair as theirs do.
namespace editormodel {

// The index of an LSP position: a character past its line's end stands
// for the line's end, a line past the last for the text's end.
inline qsizetype indexOf(const QString& text, qint64 line, qint64 character) {
  auto isBreak = [&text](qsizetype at) { return text[at] == u'\r' || text[at] == u'\n'; };
  qsizetype at = 0;
  for (qint64 passed = 0; passed < line; ++passed) {
    while (at < text.size() && !isBreak(at)) ++at;
    if (at == text.size()) return at;
    at += text[at] == u'\r' && at + 1 < text.size() && text[at + 1] == u'\n' ? 2 : 1;
  }
  qsizetype end = at;
  while (end < text.size() && !isBreak(end)) ++end;
  return end - at < character ? end : at + qsizetype(character);
}

// One of a didChange's contentChanges made to `text`.
inline void apply(QString& text, const QJsonObject& change) {
  const QString with = change.value("text").toString();
  if (!change.contains("range")) {
    text = with;
    return;
  }
  auto index = [&](const char* end) {
    const QJsonObject p = change.value("range").toObject().value(end).toObject();
    return indexOf(text, p.value("line").toInteger(), p.value("character").toInteger());
  };
  const qsizetype from = index("start");
  text.replace(from, qMax(from, index("end")) - from, with);
}

// The UTF-16 units of UTF-8 whose surrogate halves on their own stand as
// the three bytes of their code; none when the bytes are not that, or hold
// a pair as two halves rather than as its character.
inline std::optional<QString> decoded(const QByteArray& bytes) {
  QString text;
  bool lastWasHighHalf = false;
  for (qsizetype at = 0; at < bytes.size();) {
    const auto lead = static_cast<unsigned char>(bytes[at]);
    const int length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
    if (at + length > bytes.size()) return std::nullopt;
    char32_t code = length == 1 ? lead : lead & (0x7F >> length);
    for (int i = 1; i < length; ++i) {
      const auto next = static_cast<unsigned char>(bytes[at + i]);
      if ((next & 0xC0) != 0x80) return std::nullopt;
      code = code << 6 | (next & 0x3F);
    }
    at += length;
    const bool high = code >= 0xD800 && code < 0xDC00;
    if (lastWasHighHalf && code >= 0xDC00 && code < 0xE000) return std::nullopt;
    lastWasHighHalf = high;
    if (code >= 0x10000) {
      text += QChar::highSurrogate(code);
      text += QChar::lowSurrogate(code);
    } else {
      text += QChar(char16_t(code));
    }
  }
  return text;
}

}  // namespace editormodel
