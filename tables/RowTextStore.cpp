#include "RowTextStore.h"

#include "AsciiWiden.h"
#include "SystemText.h"

QString RowTextStore::text(QByteArrayView bytes) {
  const qsizetype n = bytes.size();
  // The empty text needs no memory at all.
  if (n == 0) return decodeSystemText(bytes);
  if (block_.isNull() || block_.size() - used_ < n + 1) {
    block_ = QString(qMax(kBlockChars, n + 1), Qt::Uninitialized);
    used_ = 0;
  }
  // Written through the block's own pointer: block_.data() would copy a
  // shared block.
  char16_t* const start = block_.data_ptr().data() + used_;
  // Text that needs decoding is rare in tables and gets a string of its
  // own; the characters copied so far are simply written over later.
  if (!widenAscii(bytes.data(), n, start)) return decodeSystemText(bytes);
  start[n] = u'\0';
  used_ += n + 1;
  QString::DataPointer row = block_.data_ptr();  // takes a reference to the block
  row.setBegin(start);
  row.size = n;
  return QString(std::move(row));
}
