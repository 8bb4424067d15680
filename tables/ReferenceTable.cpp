#include "ReferenceTable.h"

#include <algorithm>

#include "AsciiWiden.h"
#include "SystemText.h"

ReferenceTableBuilder::ReferenceTableBuilder(qsizetype expectedChars) {
  text_.resize(qMax<qsizetype>(expectedChars, 16));
}

char16_t* ReferenceTableBuilder::reserve(qsizetype chars) {
  if (text_.size() - used_ < chars) text_.resize(qMax(2 * text_.size(), used_ + chars));
  return reinterpret_cast<char16_t*>(text_.data()) + used_;
}

ReferenceTableBuilder::Span ReferenceTableBuilder::addText(QByteArrayView bytes) {
  // Characters are never more than bytes, and ASCII, by far the most
  // common, is widened in place with its check in the same pass.
  char16_t* to = reserve(bytes.size());
  if (widenAscii(bytes.data(), bytes.size(), to)) {
    const Span span{used_, bytes.size()};
    used_ += bytes.size();
    return span;
  }
  return addText(decodeSystemText(bytes));
}

ReferenceTableBuilder::Span ReferenceTableBuilder::addText(QStringView text) {
  char16_t* to = reserve(text.size());
  std::copy(text.utf16(), text.utf16() + text.size(), to);
  const Span span{used_, text.size()};
  used_ += text.size();
  return span;
}

void ReferenceTableBuilder::addRow(Span code, Span message, Span note, qint64 line) {
  rows_.push_back({code, message, note, line});
}

ReferenceTable ReferenceTableBuilder::build() {
  ReferenceTable table;
  text_.truncate(used_);
  table.text_ = std::move(text_);
  const QStringView text(table.text_);
  table.rows_.reserve(rows_.size());
  for (const PendingRow& r : rows_) {
    table.rows_.push_back({text.sliced(r.code.at, r.code.size),
                           text.sliced(r.message.at, r.message.size),
                           text.sliced(r.note.at, r.note.size), r.line});
  }
  table.index_.build(table.rows_);
  rows_.clear();
  used_ = 0;
  return table;
}
