#include "TableLoader.h"

#include <cstring>

#include <QDir>
#include <QList>

#include "RowTextStore.h"
#include "SystemText.h"

namespace {

using Field = InputFile::Field;
using FieldEnd = InputFile::FieldEnd;

// Names one line of one table file in a failure message.
struct LineRef {
  QString path;
  qint64 line;
  QString fault(const QString& what) const {
    return QStringLiteral("%1: line %2: %3").arg(path).arg(line).arg(what);
  }
};

bool endsLine(const Field& f) {
  return f.end != FieldEnd::Comma;
}

QString fieldCountFault(qsizetype expected, const QList<Field>& found) {
  QString fault = QStringLiteral("expected %1 fields, found %2").arg(expected).arg(found.size());
  for (const Field& f : found) {
    if (f.text.contains(QLatin1Char('\n'))) {
      fault += QStringLiteral(" (the lines end in LF alone; table lines must end in CR LF or CR)");
      break;
    }
  }
  return fault;
}

// Reads fields up to the end of the current line, at most `limit` of them
// (then the line may go on). False with `error` set on a malformed field.
bool readLineFields(InputFile& file, const LineRef& at, qsizetype limit, QList<Field>* fields,
                    QString* error) {
  fields->clear();
  Field f;
  do {
    if (!file.readField(&f)) {
      // Only spaces were left: the last line is blank.
      *error = file.failed()       ? file.errorString()
               : fields->isEmpty() ? at.fault(QStringLiteral("blank line"))
                                   : at.fault(QStringLiteral("unexpected end of file"));
      return false;
    }
    const qsizetype number = fields->size() + 1;
    if (f.closingQuoteMissing) {
      *error = at.fault(QStringLiteral("field %1: missing closing quote").arg(number));
      return false;
    }
    if (f.textAfterQuote) {
      *error = at.fault(QStringLiteral("field %1: text after the closing quote").arg(number));
      return false;
    }
    fields->append(f);
  } while (!endsLine(f) && fields->size() < limit);
  return true;
}

// The index of the first `c` in `line` from `from`, or the line's size.
qsizetype indexOfByte(QByteArrayView line, qsizetype from, char c) {
  const void* found = std::memchr(line.data() + from, c, static_cast<size_t>(line.size() - from));
  return found ? static_cast<const char*>(found) - line.data() : line.size();
}

// Takes one field of a line that is already in the buffer, as readField()
// would, from `*at`; false when the field needs the careful reader (no
// closing quote, or text after it).
bool takeQuickField(QByteArrayView line, qsizetype* at, RowTextStore& store, QString* text,
                    bool* endsLine) {
  const qsizetype n = line.size();
  qsizetype i = *at;
  while (i < n && line[i] == ' ') ++i;
  if (i < n && line[i] == '"') {
    const qsizetype open = i + 1;
    const qsizetype close = indexOfByte(line, open, '"');
    if (close == n) return false;
    *text = store.text(line.sliced(open, close - open));
    for (i = close + 1; i < n && line[i] != ','; ++i) {
      if (line[i] != ' ') return false;
    }
  } else {
    const qsizetype end = indexOfByte(line, i, ',');
    qsizetype kept = end;
    while (kept > i && line[kept - 1] == ' ') --kept;
    *text = store.text(line.sliced(i, kept - i));
    i = end;
  }
  *endsLine = i == n;
  *at = i == n ? n : i + 1;
  return true;
}

// A tag record whose line is already in the buffer and holds nothing odd,
// taken whole; false leaves the line to the field-by-field reader.
bool takeQuickTag(InputFile& file, RowTextStore& store, ReferenceTables* t, qint64 row) {
  QByteArrayView line;
  if (!file.bufferedLine(&line)) return false;
  qsizetype at = 0;
  bool endsLine = false;
  QString fields[3];
  for (int i = 0; i < 3; ++i) {
    if (!takeQuickField(line, &at, store, &fields[i], &endsLine) || endsLine != (i == 2))
      return false;
  }
  t->TagNames[row] = std::move(fields[0]);
  t->TagMessages[row] = std::move(fields[1]);
  t->TagNotes[row] = std::move(fields[2]);
  file.skipBufferedLine(line.size());
  return true;
}

// The same for a parameter record: a code, a message, and the rest raw.
bool takeQuickParam(InputFile& file, RowTextStore& store, ReferenceTables* t, qint64 row) {
  QByteArrayView line;
  if (!file.bufferedLine(&line)) return false;
  qsizetype at = 0;
  bool endsLine = false;
  QString code;
  QString message;
  if (!takeQuickField(line, &at, store, &code, &endsLine) || endsLine ||
      !takeQuickField(line, &at, store, &message, &endsLine) || endsLine) {
    return false;
  }
  t->ParamNames[row] = std::move(code);
  t->ParamMessages[row] = std::move(message);
  t->ParamNotes[row] = store.text(line.sliced(at));
  file.skipBufferedLine(line.size());
  return true;
}

bool isBlankLine(const QList<Field>& fields) {
  return fields.size() == 1 && !fields[0].quoted && fields[0].text.isEmpty();
}

// Opens `path`, counts its lines and reopens it for reading the records.
bool openAndCount(InputFile& file, const QString& path, qint64* count, QString* error) {
  if (!file.open(path) || (*count = file.countRemainingLines()) < 0) {
    *error = file.errorString();
    file.close();
    return false;
  }
  file.close();
  if (!file.open(path)) {
    *error = file.errorString();
    return false;
  }
  return true;
}

void resetRows(QStringList* a, QStringList* b, QStringList* c, qint64 count) {
  for (QStringList* list : {a, b, c}) {
    list->clear();
    list->resize(count + 1);
  }
}

bool loadTags(InputFile& file, const QString& path, ReferenceTables* t, QString* error) {
  if (!openAndCount(file, path, &t->TagCount, error)) return false;
  resetRows(&t->TagNames, &t->TagMessages, &t->TagNotes, t->TagCount);
  QList<Field> fields;
  RowTextStore store;
  for (qint64 i = 1; i <= t->TagCount; ++i) {
    if (takeQuickTag(file, store, t, i)) continue;
    const LineRef at{path, i};
    // One field more than a record needs, to tell a long line from a good one.
    if (!readLineFields(file, at, 4, &fields, error)) return false;
    if (isBlankLine(fields)) {
      *error = at.fault(QStringLiteral("blank line"));
      return false;
    }
    if (fields.size() != 3 || !endsLine(fields.last())) {
      // Count the rest of a long line so the message says how long it is.
      while (!endsLine(fields.last())) {
        QList<Field> more;
        if (!readLineFields(file, at, 1, &more, error)) return false;
        fields += more;
      }
      *error = at.fault(fieldCountFault(3, fields));
      return false;
    }
    t->TagNames[i] = fields[0].text;
    t->TagMessages[i] = fields[1].text;
    t->TagNotes[i] = fields[2].text;
  }
  file.close();
  t->TagIndex.build(t->TagNames, t->TagCount);
  return true;
}

bool loadParams(InputFile& file, const QString& path, ReferenceTables* t, QString* error) {
  if (!openAndCount(file, path, &t->ParamCount, error)) return false;
  resetRows(&t->ParamNames, &t->ParamMessages, &t->ParamNotes, t->ParamCount);
  QList<Field> fields;
  RowTextStore store;
  for (qint64 i = 1; i <= t->ParamCount; ++i) {
    if (takeQuickParam(file, store, t, i)) continue;
    const LineRef at{path, i};
    if (!readLineFields(file, at, 2, &fields, error)) return false;
    if (isBlankLine(fields)) {
      *error = at.fault(QStringLiteral("blank line"));
      return false;
    }
    if (fields.size() < 2) {
      *error = at.fault(QStringLiteral("expected a code, a message and a note, found 1 field"));
      return false;
    }
    if (endsLine(fields[1])) {
      *error = at.fault(
          QStringLiteral("expected a comma after the message (an empty note still needs it)"));
      return false;
    }
    QString note;
    // A last line that ends right after the comma has the empty note.
    if (!file.readRestOfLine(&note) && file.failed()) {
      *error = file.errorString();
      return false;
    }
    t->ParamNames[i] = fields[0].text;
    t->ParamMessages[i] = fields[1].text;
    t->ParamNotes[i] = note;
  }
  file.close();
  t->ParamIndex.build(t->ParamNames, t->ParamCount);
  return true;
}

}  // namespace

bool LoadReferenceTables(InputFile& fileNumber1, StatusText& status, const QString& folder,
                         ReferenceTables* tables, QString* error, HelperThread& helper) {
  status.setStatusText(QStringLiteral("Select a Vornel Script file to process"));
  // Both paths are made here: a QDir is not to be used from two threads.
  const QDir dir(folder);
  const QString tagsPath = dir.absoluteFilePath(QStringLiteral("tags.txt"));
  const QString paramsPath = dir.absoluteFilePath(QStringLiteral("param.txt"));
  // The two tables are read at once, the parameters through the helper
  // thread on a channel of their own, into rows of their own: a failure is
  // reported as if they had been read one after the other, tags first, and
  // a failed load leaves the parameter rows as they were.
  ReferenceTables params;
  QString paramsError;
  bool paramsRead = false;
  InputFile paramsFile(fileNumber1.fileSystem());
  helper.start([&] { paramsRead = loadParams(paramsFile, paramsPath, &params, &paramsError); });
  const bool tagsRead = loadTags(fileNumber1, tagsPath, tables, error);
  helper.finish();
  fileNumber1.close();
  if (!tagsRead) return false;
  if (!paramsRead) {
    *error = paramsError;
    return false;
  }
  tables->ParamCount = params.ParamCount;
  tables->ParamNames = std::move(params.ParamNames);
  tables->ParamMessages = std::move(params.ParamMessages);
  tables->ParamNotes = std::move(params.ParamNotes);
  tables->ParamIndex = std::move(params.ParamIndex);
  return true;
}
