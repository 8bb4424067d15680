#pragma once

#include <QByteArrayView>
#include <QString>

// One line of a table file read as one record, by the one definition of the
// record format that the loader and the table checks share.
//
// Fields are separated by commas. Spaces before a field are skipped. A field
// that opens with a double quote runs to the next double quote, commas and
// spaces included, and only spaces may stand between that quote and the
// comma or line end after it. Any other field runs to the next comma or the
// line end, without the spaces at its end. tags.txt has exactly three
// fields: code, message, note; param.txt has a code, a message, a comma and
// then the note, which is the rest of the line taken raw. A line holding a
// NUL byte is no text, and a note that runs on past a line feed into more
// text is a file whose lines end in LF alone: both are refused.
namespace tablerecord {

enum class Format { Tags, Params };

struct Record {
  QByteArrayView code;
  QByteArrayView message;
  QByteArrayView note;
};

// Reads `line`, which holds no line end. `endsFile` says that nothing, not
// even a line end, follows it in the file. Returns the empty text and fills
// `record`, or returns the fault, such as "expected 3 fields, found 4", and
// sets `faultAt` to the byte of the line where it goes wrong: a field too
// many, text after a closing quote, the line's end where a field is missing.
QString parse(QByteArrayView line, Format format, bool endsFile, Record* record,
              qsizetype* faultAt = nullptr);

// For the start of a line whose end has not been read yet: the fault when
// it already holds more fields than its format allows, or the empty text,
// so that a line of endless commas is refused without being held whole.
QString refuseEarly(QByteArrayView start, Format format);

}  // namespace tablerecord
