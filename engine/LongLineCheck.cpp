#include "LongLineCheck.h"

#include <algorithm>

#include "ByteSearch.h"
#include "CodeIndex.h"
#include "Directive.h"

void LongLineCheck::restart() {
  statement_.restart();
  kept_ = 0;
  marker_ = -1;
  mayMatter_ = false;
  lineFeeds_ = 0;
}

void LongLineCheck::feed(QByteArrayView piece, bool last) {
  lineFeeds_ += std::count(piece.begin(), piece.end(), '\n');
  if (mayMatter_) return;
  findDirective(piece);
  statement_.feed(piece, last, [this](char16_t c, qint64) { keep(c); });
}

void LongLineCheck::keep(char16_t c) {
  std::copy(window_ + 1, window_ + 6, window_);
  window_[5] = c;
  if (++kept_ < 6 || window_[0] != syntax::kQuote || c != syntax::kQuote) return;
  // Either table: which one the statement is searched in shows only at its
  // start, and asking both is never wrong here.
  const quint64 key = CodeIndex::keyOf(window_ + 1);
  if (tables_.params.index().lowestRow(key) >= 0 || tables_.tags.index().lowestRow(key) >= 0)
    mayMatter_ = true;
}

void LongLineCheck::findDirective(QByteArrayView piece) {
  // Any "#" may open one: the marker after it and the spaces or tabs between.
  const char* const bytes = piece.data();
  const qsizetype n = piece.size();
  for (qsizetype i = 0; i < n; ++i) {
    if (marker_ < 0) {
      const char* hash = findByte(bytes + i, std::size_t(n - i), char(syntax::kComment));
      if (!hash) return;
      i = hash - bytes;
      marker_ = 0;
      continue;
    }
    const char b = bytes[i];
    if (marker_ == 0 && directive::isBlank(static_cast<unsigned char>(b))) continue;
    if (b == directive::kMarker[marker_]) {
      if (++marker_ == directive::kMarkerSize) {
        mayMatter_ = true;
        return;
      }
    } else {
      marker_ = b == char(syntax::kComment) ? 0 : -1;
    }
  }
}
