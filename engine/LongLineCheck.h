#pragma once

#include <QByteArrayView>

#include "StatementStream.h"
#include "Tables.h"

// Follows a line too long to hold, a piece at a time, and tells whether it
// may matter: whether a window of its statement holds a code of either
// table, or a directive stands in it. Only a line that may matter is read
// again whole, so a long line with nothing to report costs no memory.
class LongLineCheck {
 public:
  explicit LongLineCheck(const Tables& tables) : tables_(tables) {}

  void restart();
  // The next piece of the line, `last` when the line ends with it (its
  // line end not included).
  void feed(QByteArrayView piece, bool last);
  bool mayMatter() const { return mayMatter_; }
  // The LFs of the line so far. No CR stands inside a line, so each of them
  // follows none.
  qint64 lineFeeds() const { return lineFeeds_; }

 private:
  void keep(char16_t c);
  void findDirective(QByteArrayView piece);

  const Tables& tables_;
  StatementStream statement_;
  char16_t window_[6] = {};  // the last characters kept, the newest last
  int kept_ = 0;
  int marker_ = -1;  // how much of a directive's marker the bytes so far match; -1 none
  bool mayMatter_ = false;
  qint64 lineFeeds_ = 0;
};
