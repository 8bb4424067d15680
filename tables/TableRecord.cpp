#include "TableRecord.h"

#include "ByteSearch.h"

namespace tablerecord {

namespace {

const char kLineFeedHint[] =
    " (a line ends in LF alone in a table whose first line ends in CR: end every line alike)";

struct Field {
  QByteArrayView text;
  bool quoted = false;
  bool endsLine = false;
};

// Reads field number `number` from `*at`, moving past the comma after it.
// Returns the fault, with `*at` where it is, or the empty text.
QString readField(QByteArrayView line, bool endsFile, int number, qsizetype* at, Field* field) {
  const qsizetype n = line.size();
  qsizetype i = *at;
  while (i < n && line[i] == ' ') ++i;
  *at = i;
  if (i == n && endsFile) {
    // Nothing is left in the file to start a field with.
    return number == 1 ? QStringLiteral("blank line") : QStringLiteral("unexpected end of file");
  }
  qsizetype end;
  if (i < n && line[i] == '"') {
    const char* close = findByte(line.data() + i + 1, std::size_t(n - i - 1), '"');
    if (!close) return QStringLiteral("field %1: missing closing quote").arg(number);
    const qsizetype closeAt = close - line.data();
    *field = Field{line.sliced(i + 1, closeAt - i - 1), true};
    for (end = closeAt + 1; end < n && line[end] != ','; ++end) {
      if (line[end] != ' ') {
        *at = end;
        return QStringLiteral("field %1: text after the closing quote").arg(number);
      }
    }
  } else {
    const char* comma = findByte(line.data() + i, std::size_t(n - i), ',');
    end = comma ? comma - line.data() : n;
    qsizetype kept = end;
    while (kept > i && line[kept - 1] == ' ') --kept;
    *field = Field{line.sliced(i, kept - i), false};
  }
  field->endsLine = end == n;
  *at = end == n ? n : end + 1;
  return QString();
}

bool isBlank(const Field& only) {
  return !only.quoted && only.text.isEmpty();
}

QString parseTags(QByteArrayView line, bool endsFile, Record* record, qsizetype* faultAt) {
  Field fields[3];
  int count = 0;
  bool lineFeed = false;
  qsizetype at = 0;
  Field field;
  do {
    const qsizetype start = at;
    if (QString fault = readField(line, endsFile, count + 1, &at, &field); !fault.isEmpty()) {
      *faultAt = at;
      return fault;
    }
    // The first field too many is where the line goes wrong.
    if (count == 3) *faultAt = start;
    if (count < 3) fields[count] = field;
    lineFeed = lineFeed || field.text.contains('\n');
    ++count;
  } while (!field.endsLine);
  if (count == 1 && isBlank(fields[0])) return QStringLiteral("blank line");
  if (count < 3) *faultAt = line.size();
  if (count != 3) {
    QString fault = QStringLiteral("expected 3 fields, found %1").arg(count);
    if (lineFeed) fault += QLatin1StringView(kLineFeedHint);
    return fault;
  }
  *record = Record{fields[0].text, fields[1].text, fields[2].text};
  return QString();
}

// Whether a line feed in a note is followed by more text: a file whose
// lines end in LF alone reads as one record whose note swallows the rest.
bool swallowsLines(QByteArrayView note) {
  const qsizetype lineFeed = note.indexOf('\n');
  if (lineFeed < 0) return false;
  for (const char c : note.sliced(lineFeed)) {
    if (c != '\n' && c != ' ' && c != '\t') return true;
  }
  return false;
}

QString parseParams(QByteArrayView line, bool endsFile, Record* record, qsizetype* faultAt) {
  qsizetype at = 0;
  Field code;
  if (QString fault = readField(line, endsFile, 1, &at, &code); !fault.isEmpty()) {
    *faultAt = at;
    return fault;
  }
  *faultAt = line.size();
  if (code.endsLine) {
    return isBlank(code) ? QStringLiteral("blank line")
                         : QStringLiteral("expected a code, a message and a note, found 1 field");
  }
  Field message;
  if (QString fault = readField(line, endsFile, 2, &at, &message); !fault.isEmpty()) {
    *faultAt = at;
    return fault;
  }
  if (message.endsLine)
    return QStringLiteral("expected a comma after the message (an empty note still needs it)");
  const QByteArrayView note = line.sliced(at);
  if (swallowsLines(note)) {
    *faultAt = at + note.indexOf('\n');
    return QStringLiteral("the note runs on past a line feed") + QLatin1StringView(kLineFeedHint);
  }
  *record = Record{code.text, message.text, note};
  return QString();
}

}  // namespace

QString refuseEarly(QByteArrayView start, Format format) {
  if (format != Format::Tags) return QString();
  qsizetype at = 0;
  Field field;
  for (int count = 1; count <= 3; ++count) {
    // A field not yet ended may still end well.
    if (!readField(start, false, count, &at, &field).isEmpty() || field.endsLine) return QString();
  }
  return QStringLiteral("expected 3 fields, found at least 4");
}

QString parse(QByteArrayView line, Format format, bool endsFile, Record* record,
              qsizetype* faultAt) {
  qsizetype unused = 0;
  if (!faultAt) faultAt = &unused;
  *faultAt = 0;
  // UTF-16 puts a NUL beside every ASCII character; no text table holds one.
  if (line.contains('\0')) {
    *faultAt = line.indexOf('\0');
    return QStringLiteral(
        "holds NUL bytes: the file is not text in the system code page (UTF-8); a table saved "
        "as UTF-16 must be saved as UTF-8");
  }
  return format == Format::Tags ? parseTags(line, endsFile, record, faultAt)
                                : parseParams(line, endsFile, record, faultAt);
}

}  // namespace tablerecord
