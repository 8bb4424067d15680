#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QStringView>

#include "TextPositions.h"

// The text as the editor holds it. Editors hold UTF-16, and an edit may
// split a surrogate pair: the editor then holds a surrogate half on its
// own, which UTF-8 has no bytes for. The server holds such a half as the
// three bytes its code would take (generalised UTF-8, as WTF-8 writes it),
// so that it still counts one UTF-16 unit and three bytes, pairs again
// with its other half when an edit brings them together, and a pair is
// always held as its four-byte character.
namespace editortext {

// The editor's text in those bytes.
QByteArray fromUtf16(QStringView text);

// What an edit makes of the bytes: the text's bytes before the edit's
// start are `before`, those from there on `after`; `from` and `to` are
// where the edit starts and ends, `with` what it puts there, from
// fromUtf16(). Where the edit starts or ends between the two halves of a
// four-byte character, the half outside the edit stays, on its own; where
// it brings a lone high half and a lone low half together, the two become
// the character they make.
struct Splice {
  qint64 takenBefore = 0;  // bytes before the start that the splice replaces
  qint64 takenAfter = 0;   // bytes from the start on that it replaces
  QByteArray bytes;        // what it puts in their place
};
Splice splice(QByteArrayView before, QByteArrayView after, TextPlace from, TextPlace to,
              const QByteArray& with);

// The bytes as a check reads them: each lone half as U+FFFD, as an editor
// saves it, which takes as many bytes and as many UTF-16 units, so that
// every offset and position stays where it was. The same bytes, not
// copied, when there is none.
QByteArray forChecking(const QByteArray& text);

}  // namespace editortext
