#pragma once

#include <memory>
#include <span>

#include <QByteArrayView>
#include <QString>
#include <QStringView>
#include <QtGlobal>

#include "BulkMemory.h"
#include "CodeIndex.h"

// One row of a reference table: a line of its file.
struct TableRow {
  QStringView code;
  QStringView message;
  QStringView note;  // kept for lookups; a scan never shows it
  qint64 line = 0;   // 1-based line of the table file
};

// The rows of one table in file order, with the index of their codes. The
// rows and their texts live in one block of bulk memory that every copy of
// the table shares, so a row stays valid as long as any copy of its table.
class ReferenceTable {
 public:
  qsizetype size() const { return storage_ ? qsizetype(storage_->rows.size()) : 0; }
  bool isEmpty() const { return size() == 0; }
  const TableRow& row(qsizetype i) const { return rows()[std::size_t(i)]; }
  std::span<const TableRow> rows() const {
    return storage_ ? std::span<const TableRow>(storage_->rows.data(), storage_->rows.size())
                    : std::span<const TableRow>();
  }
  const CodeIndex& index() const { return index_; }
  // The first row whose code is `code`, or -1. Only 4-character codes can
  // be found: no other code can ever match.
  qsizetype find(QStringView code) const {
    return code.size() == 4 ? index_.lowestRow(CodeIndex::keyOf(code.data())) : -1;
  }

 private:
  friend class ReferenceTableBuilder;
  struct Storage {
    BulkArray<char16_t> text;
    BulkArray<TableRow> rows;
  };
  std::shared_ptr<const Storage> storage_;
  CodeIndex index_;
};

// Builds a table row by row. Texts are copied into one buffer that the rows
// share, which spares an allocation per field: a table of 20,000 rows has
// 60,000 of them.
class ReferenceTableBuilder {
 public:
  // A text's place in the buffer.
  struct Span {
    qsizetype at = 0;
    qsizetype size = 0;
  };

  // The expected sizes only save moving what was built: a file's byte count
  // is enough for its text, whose characters are never more than its bytes.
  // What is reserved and never written costs address space only.
  explicit ReferenceTableBuilder(qsizetype expectedChars = 0, qsizetype expectedRows = 0);

  // Bytes in the system code page, decoded as decodeSystemText() does.
  Span addText(QByteArrayView bytes);
  Span addText(QStringView text);
  void addRow(Span code, Span message, Span note, qint64 line);
  ReferenceTable build();

 private:
  char16_t* reserve(qsizetype chars);
  QStringView viewOf(Span span) const {
    return QStringView(storage_->text.data() + span.at, span.size);
  }

  std::unique_ptr<ReferenceTable::Storage> storage_;
};
