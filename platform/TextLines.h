#pragma once

#include <QByteArrayView>
#include <QStringView>
#include <QtGlobal>

#include "ByteSearch.h"

// Text files here end a line at a carriage return or at a carriage return
// followed by a line feed; a line feed on its own stays in the line. A line
// end at the very end of a file starts no further line.
namespace textlines {

inline constexpr char kLineEnd = '\r';
inline constexpr char kLineFeed = '\n';

// A UTF-8 byte-order mark at the very start of a file marks its encoding and
// is no part of its first line; anywhere else it is a character.
inline constexpr QByteArrayView kByteOrderMark = "\xEF\xBB\xBF";

// Where the line that starts at `from` ends (its CR), or `bytes.size()`.
inline qsizetype lineEndFrom(QByteArrayView bytes, qsizetype from) {
  const char* cr = findByte(bytes.data() + from, std::size_t(bytes.size() - from), kLineEnd);
  return cr ? cr - bytes.data() : bytes.size();
}

// Where the line that holds byte `at` starts: past the last CR before it,
// and past a LF right behind that CR.
inline qsizetype lineStartBefore(QByteArrayView bytes, qsizetype at) {
  const char* cr = findLastByte(bytes.data(), std::size_t(at), kLineEnd);
  if (cr == nullptr) return 0;
  const qsizetype i = cr - bytes.data() + 1;
  return i < at && bytes[i] == kLineFeed ? i + 1 : i;
}

// Where the next line starts after the CR at `cr`: past a LF right behind it.
inline qsizetype nextLineStart(QByteArrayView bytes, qsizetype cr) {
  return cr + 1 < bytes.size() && bytes[cr + 1] == kLineFeed ? cr + 2 : cr + 1;
}

// Which bytes end a script's lines: CR or CR LF, a lone LF staying inside
// its line, as scripts are written on the cameras' side; or a lone LF too,
// for scripts whose line ends were turned into LF on their way (a git
// checkout with text=auto, an editor set to Unix line ends); or, under
// auto, as the file's first line end says: a lone LF there, and a lone LF
// ends every line, else only CR and CR LF do. Every script a camera writes
// reads the same under auto as under crlf.
enum class LineEnds { CrLf, Any, Auto };

// The setting's value named `name`, "auto", "crlf" or "any"; false for another.
inline bool lineEndsNamed(QStringView name, LineEnds* lineEnds) {
  if (name == u"crlf") {
    *lineEnds = LineEnds::CrLf;
  } else if (name == u"any") {
    *lineEnds = LineEnds::Any;
  } else if (name == u"auto") {
    *lineEnds = LineEnds::Auto;
  } else {
    return false;
  }
  return true;
}

}  // namespace textlines
