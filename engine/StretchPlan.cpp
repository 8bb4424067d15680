#include "StretchPlan.h"

#include <QByteArray>

#include "ByteSearch.h"
#include "TextLines.h"

namespace {

// The start of the first line that starts after byte `from`: past the first
// CR at `from` or later and a LF right behind it; `size` when there is none.
// A line may be long, so each read is larger than the last. -1 on a failed read.
qint64 lineStartAfter(ByteSource& source, qint64 from, qint64 size, QString* error) {
  QByteArray bytes;
  qint64 probe = 512;
  for (qint64 at = from; at < size; at += bytes.size(), probe = qMin<qint64>(probe * 4, 1 << 20)) {
    bytes.resize(probe);
    const qint64 n = source.readAt(at, bytes.data(), probe, error);
    if (n < 0) return -1;
    if (n == 0) break;
    bytes.truncate(n);
    if (const char* cr = findByte(bytes.constData(), std::size_t(n), textlines::kLineEnd)) {
      const qint64 after = at + (cr - bytes.constData()) + 1;
      char next = 0;
      const qint64 got = source.readAt(after, &next, 1, error);
      if (got < 0) return -1;
      return got == 1 && next == textlines::kLineFeed ? after + 1 : after;
    }
  }
  return size;
}

}  // namespace

bool planStretches(ByteSource& source, qint64 size, qint64 stretchBytes,
                   std::vector<qint64>* starts, QString* error) {
  starts->assign(1, 0);
  for (qint64 from = stretchBytes - 1; from < size; from += stretchBytes) {
    if (from < starts->back()) continue;  // the last stretch starts past it
    const qint64 at = lineStartAfter(source, from, size, error);
    if (at < 0) return false;
    if (at >= size) break;
    starts->push_back(at);
  }
  return true;
}
