#include <algorithm>
#include <cstring>

#include "ByteMasks.h"
#include "PublicSubs.h"

namespace {

// The start of the line that holds position `at` of a block that begins at
// a line start.
qsizetype lineStartBefore(const char* bytes, qsizetype at) {
  for (qsizetype i = at; i > 0; --i) {
    if (bytes[i - 1] == '\r') return bytes[i] == '\n' && i < at ? i + 1 : i;
  }
  return 0;
}

qsizetype lineEndFrom(const char* bytes, qsizetype n, qsizetype at) {
  const void* cr = std::memchr(bytes + at, '\r', n - at);
  return cr ? static_cast<const char*>(cr) - bytes : n;
}

// The last line of a block, without its line end.
QByteArrayView lastLineOf(QByteArrayView block) {
  const qsizetype end = block.endsWith('\r') ? block.size() - 1 : block.size();
  const qsizetype start = lineStartBefore(block.data(), end);
  return block.sliced(start, end - start);
}

}  // namespace

bool PublicSubs::checkLines() {
  // Lines are taken in blocks and looked at as bytes; only a line that may
  // hold a listed code is decoded and checked in full. The shared line state
  // is built for those lines and, at the end, for the last line read, which
  // is what it holds once the scan is over.
  filter_.build(Tables);
  QByteArrayView block;
  QByteArrayView lastBlock;
  qint64 lines = 0;
  while (LineNumber <= ScriptLineCount) {
    if (!FileNumber1.readLineBlock(ScriptLineCount - LineNumber + 1, &block, &lines)) {
      if (FileNumber1.failed()) return false;
      break;  // the script shrank since it was counted: its end ends the scan
    }
    const qint64 first = LineNumber;
    checkBlock(block);
    LineNumber = first + lines;
    lastBlock = block;
  }
  // A read that finds the end leaves the last block's bytes in place.
  if (lines > 0) takeLine(lastLineOf(lastBlock));
  return true;
}

void PublicSubs::checkBlock(QByteArrayView block) {
  const char* const bytes = block.data();
  const qsizetype n = block.size();
  const qint64 firstLine = LineNumber;
  // Line numbers are counted only up to the lines that get checked in full.
  qsizetype countedTo = 0;
  qint64 lineAtCounted = firstLine;
  qsizetype resumeAt = 0;  // the quotation marks of a line checked in full are done
  for (qsizetype g = 0; g < n; g += ByteMasks::kGroup) {
    const auto size = static_cast<int>(std::min<qsizetype>(ByteMasks::kGroup, n - g));
    const ByteMasks m = size == ByteMasks::kGroup
                            ? ByteMasks::of(bytes + g, '"', '\r', '\r')
                            : ByteMasks::ofTail(bytes + g, size, '"', '\r', '\r');
    for (std::uint64_t quotes = m.a; quotes; quotes &= quotes - 1) {
      const int bit = lowestBit(quotes);
      const qsizetype at = g + bit;
      // A window ends on a quotation mark of the same line: a line that ends
      // before the next one holds no window here. Most closing marks go this way.
      const std::uint64_t after = ~bitsBelow(bit + 1);
      const std::uint64_t crAfter = m.b & after;
      const std::uint64_t quotesAfter = m.a & after;
      if (crAfter && (!quotesAfter || lowestBit(crAfter) < lowestBit(quotesAfter))) continue;
      if (at < resumeAt || !filter_.mayHoldCode(bytes, n, at)) continue;
      const qsizetype start = lineStartBefore(bytes, at);
      const qsizetype end = lineEndFrom(bytes, n, at);
      resumeAt = end;
      // A quotation mark after the comment's "#" holds no code.
      if (std::memchr(bytes + start, '#', at - start)) continue;
      lineAtCounted += countByte(bytes + countedTo, start - countedTo, '\r');
      countedTo = start;
      LineNumber = lineAtCounted;
      takeLine(block.sliced(start, end - start));
      CheckStatement(Statement);
    }
  }
  LineNumber = firstLine;
}
