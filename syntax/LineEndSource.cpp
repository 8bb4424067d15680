#include "LineEndSource.h"

#include <cstring>

namespace {

// The first line end's byte in `bytes`, CR or LF, or 0 when none is there.
char firstLineEnd(QByteArrayView bytes) {
  for (const char c : bytes) {
    if (c == textlines::kLineEnd || c == textlines::kLineFeed) return c;
  }
  return 0;
}

// Enough for the first line of nearly every script in one read.
constexpr qint64 kSettleRead = 4096;

}  // namespace

namespace lineends {

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

bool loneLineFeedsEndLines(QByteArrayView text, textlines::LineEnds lineEnds) {
  switch (lineEnds) {
    case textlines::LineEnds::CrLf:
      return false;
    case textlines::LineEnds::Any:
      return true;
    case textlines::LineEnds::Auto:
      break;
  }
  return firstLineEnd(text) == textlines::kLineFeed;
}

QByteArray asRead(QByteArray text, textlines::LineEnds lineEnds) {
  if (loneLineFeedsEndLines(text, lineEnds)) turnLoneLineFeeds(text.data(), text.size(), 0);
  return text;
}

}  // namespace lineends

LineEndSource::LineEndSource(ByteSource& script, textlines::LineEnds lineEnds)
    : script_(script),
      turn_(lineEnds == textlines::LineEnds::CrLf  ? Turn::No
            : lineEnds == textlines::LineEnds::Any ? Turn::Yes
                                                   : Turn::Undecided) {}

void LineEndSource::settleFrom(QByteArrayView bytes) {
  if (const char end = firstLineEnd(bytes); end != 0)
    turn_ = end == textlines::kLineFeed ? Turn::Yes : Turn::No;
}

bool LineEndSource::settle(QString* error) {
  QByteArray chunk(kSettleRead, Qt::Uninitialized);
  for (qint64 at = 0; turn_ == Turn::Undecided;) {
    const qint64 n = script_.readAt(at, chunk.data(), chunk.size(), error);
    if (n < 0) return false;
    if (n == 0) {
      turn_ = Turn::No;  // no line end at all: nothing to turn
      break;
    }
    settleFrom(QByteArrayView(chunk.constData(), n));
    at += n;
  }
  return true;
}

bool LineEndSource::endsInLoneLineFeed(QString* error) {
  const qint64 size = script_.size();
  if (size < 0) return lastRead_ == textlines::kLineFeed && beforeLastRead_ != textlines::kLineEnd;
  // A byte at a time: a read may give fewer bytes than asked for.
  char last = 0;
  char before = 0;
  if (size < 1 || script_.readAt(size - 1, &last, 1, error) != 1) return false;
  if (last != textlines::kLineFeed) return false;
  if (size >= 2 && script_.readAt(size - 2, &before, 1, error) != 1) return false;
  return before != textlines::kLineEnd;
}

qint64 LineEndSource::readAt(qint64 offset, char* into, qint64 max, QString* error) {
  if (turn_ == Turn::Undecided && offset == 0) {
    // The first read from the start settles it from its own bytes, as
    // read() does, rather than reading them twice; only a first line
    // longer than the read is read again to its end.
    const qint64 n = script_.readAt(0, into, max, error);
    if (n < 0) return n;
    settleFrom(QByteArrayView(into, n));
    if (turn_ == Turn::Undecided && n == script_.size()) turn_ = Turn::No;  // no line end at all
    if (turn_ == Turn::Undecided && !settle(error)) return -1;
    if (turn_ == Turn::Yes) lineends::turnLoneLineFeeds(into, n, 0);
    return n;
  }
  if (turn_ == Turn::Undecided && !settle(error)) return -1;
  if (turn_ == Turn::No) return script_.readAt(offset, into, max, error);
  // The byte before tells whether a LF that comes first follows a CR.
  char before = 0;
  if (offset > 0 && max > 0 && script_.readAt(offset - 1, &before, 1, error) < 0) return -1;
  const qint64 n = script_.readAt(offset, into, max, error);
  lineends::turnLoneLineFeeds(into, n, before);
  return n;
}

qint64 LineEndSource::read(char* into, qint64 max, QString* error) {
  const qint64 n = script_.read(into, max, error);
  if (n <= 0) return n;
  beforeLastRead_ = n >= 2 ? into[n - 2] : lastRead_;
  if (turn_ == Turn::Undecided) settleFrom(QByteArrayView(into, n));
  // Bytes before the first line end hold no LF, so turning them all is
  // sound once the first one has settled it.
  lastRead_ = turn_ == Turn::Yes ? lineends::turnLoneLineFeeds(into, n, lastRead_) : into[n - 1];
  return n;
}
