#pragma once

#include <QByteArrayView>
#include <QString>

// Hands out the texts of table rows from a few large shared blocks instead of
// one allocation per field. A table of 20,000 rows has 60,000 fields: one
// allocation each, and the fresh memory behind them, cost more than reading
// the file. Each text holds a reference to its block, like any implicitly
// shared QString, so it stays valid for as long as it is kept, and changing
// it copies it out first. A block is freed with the last text in it.
class RowTextStore {
 public:
  // The text of `bytes` in the system code page, as decodeSystemText() gives.
  QString text(QByteArrayView bytes);

 private:
  // Texts take their characters and a closing NUL, as every QString has.
  static constexpr qsizetype kBlockChars = qsizetype(1) << 17;

  QString block_;
  qsizetype used_ = 0;
};
