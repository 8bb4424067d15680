#include "AnyLineEndSource.h"

#include <cstring>

#include "TextLines.h"

namespace anylineends {

char turnLoneLineFeeds(char* bytes, qint64 n, char before) {
  if (n <= 0) return before;
  const char last = bytes[n - 1];
  // A LF turned already was a LF, not the CR it now reads as.
  qint64 turned = -2;
  for (char* lf = bytes; (lf = static_cast<char*>(
                              std::memchr(lf, textlines::kLineFeed, std::size_t(bytes + n - lf))));
       ++lf) {
    const qint64 at = lf - bytes;
    const char previous = at == 0            ? before
                          : at - 1 == turned ? textlines::kLineFeed
                                             : bytes[at - 1];
    if (previous != textlines::kLineEnd) {
      *lf = textlines::kLineEnd;
      turned = at;
    }
  }
  return last;
}

QByteArray withLoneLineFeedsTurned(QByteArray text) {
  turnLoneLineFeeds(text.data(), text.size(), 0);
  return text;
}

}  // namespace anylineends

qint64 AnyLineEndSource::readAt(qint64 offset, char* into, qint64 max, QString* error) {
  // The byte before tells whether a LF that comes first follows a CR.
  char before = 0;
  if (offset > 0 && max > 0 && script_.readAt(offset - 1, &before, 1, error) < 0) return -1;
  const qint64 n = script_.readAt(offset, into, max, error);
  anylineends::turnLoneLineFeeds(into, n, before);
  return n;
}

qint64 AnyLineEndSource::read(char* into, qint64 max, QString* error) {
  const qint64 n = script_.read(into, max, error);
  if (n > 0) lastRead_ = anylineends::turnLoneLineFeeds(into, n, lastRead_);
  return n;
}
