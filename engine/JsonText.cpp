#include "JsonText.h"

#include "SystemText.h"

namespace jsontext {

namespace {

// Besides what JSON must escape, what no report writes as it is, so that a
// report read on a terminal cannot command it or turn its text around.
bool needsEscape(char16_t c) {
  return c < 0x20 || c == u'"' || c == u'\\' || (c >= 0x7f && needsEscaping(c));
}

void appendEscaped(QByteArray* out, char16_t c) {
  static const char kHex[] = "0123456789abcdef";
  switch (c) {
    case u'"':
      *out += "\\\"";
      return;
    case u'\\':
      *out += "\\\\";
      return;
    case u'\n':
      *out += "\\n";
      return;
    case u'\r':
      *out += "\\r";
      return;
    case u'\t':
      *out += "\\t";
      return;
    default:
      *out += "\\u";
      for (const int shift : {12, 8, 4, 0}) *out += kHex[(c >> shift) & 15];
  }
}

}  // namespace

void appendString(QByteArray* out, QStringView text) {
  *out += '"';
  qsizetype plain = 0;  // start of the run not yet written
  for (qsizetype i = 0; i < text.size(); ++i) {
    const char16_t c = text[i].unicode();
    // A lone surrogate has no UTF-8 form and is written as its escape, which
    // JSON allows and readers such as Python map back: a path's byte that is
    // no UTF-8 stands as one, and a baseline read back must keep any text.
    const bool lone = text[i].isHighSurrogate()
                          ? !(i + 1 < text.size() && text[i + 1].isLowSurrogate())
                          : text[i].isLowSurrogate() && !(i > 0 && text[i - 1].isHighSurrogate());
    if (lone) {
      *out += text.sliced(plain, i - plain).toUtf8();
      *out += "\\u" + QByteArray::number(c, 16);
      plain = i + 1;
      continue;
    }
    if (!needsEscape(c)) continue;
    *out += text.sliced(plain, i - plain).toUtf8();
    appendEscaped(out, c);
    plain = i + 1;
  }
  *out += text.sliced(plain).toUtf8();
  *out += '"';
}

void appendString(QByteArray* out, QLatin1StringView text) {
  *out += '"';
  for (const char c : text) {
    if (needsEscape(static_cast<unsigned char>(c))) {
      appendEscaped(out, static_cast<unsigned char>(c));
    } else {
      *out += c;
    }
  }
  *out += '"';
}

}  // namespace jsontext
