#include "ReferenceTable.h"

#include <algorithm>

#include "AsciiWiden.h"
#include "SystemText.h"

ReferenceTableBuilder::ReferenceTableBuilder(qsizetype expectedChars, qsizetype expectedRows)
    : storage_(std::make_unique<ReferenceTable::Storage>()) {
  storage_->text.reserve(std::size_t(expectedChars));
  storage_->rows.reserve(std::size_t(expectedRows));
}

char16_t* ReferenceTableBuilder::reserve(qsizetype chars) {
  BulkArray<char16_t>& text = storage_->text;
  const char16_t* const before = text.data();
  char16_t* const to = text.grow(std::size_t(chars));
  if (text.data() != before) {
    // The rows so far look into the buffer: move them with it.
    TableRow* const rows = storage_->rows.data();
    for (std::size_t r = 0; r < storage_->rows.size(); ++r) {
      for (QStringView* view : {&rows[r].code, &rows[r].message, &rows[r].note}) {
        *view = QStringView(text.data() + (view->utf16() - before), view->size());
      }
    }
  }
  return to;
}

ReferenceTableBuilder::Span ReferenceTableBuilder::addText(QByteArrayView bytes) {
  // Characters are never more than bytes, and ASCII, by far the most
  // common, is widened in place with its check in the same pass.
  char16_t* to = reserve(bytes.size());
  if (widenAscii(bytes.data(), bytes.size(), to)) {
    const Span span{qsizetype(storage_->text.size()), bytes.size()};
    storage_->text.added(std::size_t(bytes.size()));
    return span;
  }
  return addText(decodeSystemText(bytes));
}

ReferenceTableBuilder::Span ReferenceTableBuilder::addText(QStringView text) {
  char16_t* to = reserve(text.size());
  std::copy(text.utf16(), text.utf16() + text.size(), to);
  const Span span{qsizetype(storage_->text.size()), text.size()};
  storage_->text.added(std::size_t(text.size()));
  return span;
}

void ReferenceTableBuilder::addRow(Span code, Span message, Span note, qint64 line) {
  storage_->rows.push_back({viewOf(code), viewOf(message), viewOf(note), line});
}

ReferenceTable ReferenceTableBuilder::build() {
  ReferenceTable table;
  table.storage_ = std::move(storage_);
  table.index_.build(table.rows());
  storage_ = std::make_unique<ReferenceTable::Storage>();
  return table;
}
