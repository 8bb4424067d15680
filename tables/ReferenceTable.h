#pragma once

#include <vector>

#include <QByteArrayView>
#include <QString>
#include <QStringView>
#include <QtGlobal>

#include "CodeIndex.h"

// One row of a reference table: a line of its file.
struct TableRow {
  QStringView code;
  QStringView message;
  QStringView note;  // kept for lookups; a scan never shows it
  qint64 line = 0;   // 1-based line of the table file
};

// The rows of one table in file order, with the index of their codes. The
// rows' texts share one buffer that lives as long as the table or any copy
// of it, so a row stays valid as long as the table it came from.
class ReferenceTable {
 public:
  qsizetype size() const { return qsizetype(rows_.size()); }
  bool isEmpty() const { return rows_.empty(); }
  const TableRow& row(qsizetype i) const { return rows_[std::size_t(i)]; }
  const std::vector<TableRow>& rows() const { return rows_; }
  const CodeIndex& index() const { return index_; }
  // The first row whose code is `code`, or -1. Only 4-character codes can
  // be found: no other code can ever match.
  qsizetype find(QStringView code) const {
    return code.size() == 4 ? index_.lowestRow(CodeIndex::keyOf(code.data())) : -1;
  }

 private:
  friend class ReferenceTableBuilder;
  QString text_;
  std::vector<TableRow> rows_;
  CodeIndex index_;
};

// Builds a table row by row. Texts are copied into one growing buffer,
// which spares an allocation per field: a table of 20,000 rows has 60,000.
class ReferenceTableBuilder {
 public:
  // A text's place in the buffer.
  struct Span {
    qsizetype at = 0;
    qsizetype size = 0;
  };

  // `expectedChars` sizes the buffer; a file's byte count is enough for its
  // text, whose characters are never more than its bytes.
  explicit ReferenceTableBuilder(qsizetype expectedChars = 0);

  // Bytes in the system code page, decoded as decodeSystemText() does.
  Span addText(QByteArrayView bytes);
  Span addText(QStringView text);
  void addRow(Span code, Span message, Span note, qint64 line);
  ReferenceTable build();

 private:
  struct PendingRow {
    Span code, message, note;
    qint64 line;
  };
  char16_t* reserve(qsizetype chars);

  QString text_;
  qsizetype used_ = 0;
  std::vector<PendingRow> rows_;
};
