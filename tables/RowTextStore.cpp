#include "RowTextStore.h"

#include "SystemText.h"

QString RowTextStore::text(QByteArrayView bytes) {
  const qsizetype n = bytes.size();
  // Text that needs decoding is rare in tables and gets a string of its own;
  // so does the empty text, which needs no memory at all.
  if (n == 0 || !isAsciiText(bytes)) return decodeSystemText(bytes);
  if (block_.isNull() || block_.size() - used_ < n + 1) {
    block_ = QString(qMax(kBlockChars, n + 1), Qt::Uninitialized);
    used_ = 0;
  }
  // Written through the block's own pointer: block_.data() would copy a
  // shared block.
  char16_t* const start = block_.data_ptr().data() + used_;
  for (qsizetype i = 0; i < n; ++i) start[i] = static_cast<unsigned char>(bytes[i]);
  start[n] = u'\0';
  used_ += n + 1;
  QString::DataPointer row = block_.data_ptr();  // takes a reference to the block
  row.setBegin(start);
  row.size = n;
  return QString(std::move(row));
}
