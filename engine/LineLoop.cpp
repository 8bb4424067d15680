#include <algorithm>
#include <cstring>

#include "ByteMasks.h"
#include "CodeSearch.h"
#include "LineNormaliser.h"
#include "PublicSubs.h"
#include "SystemText.h"

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
  // Whether the line in hand has shown a "#" (no mark after it counts) or
  // has been checked in full already.
  bool lineDone = false;
  for (qsizetype g = 0; g < n; g += ByteMasks::kGroup) {
    const auto size = static_cast<int>(std::min<qsizetype>(ByteMasks::kGroup, n - g));
    const ByteMasks m = size == ByteMasks::kGroup
                            ? ByteMasks::of(bytes + g, '"', '\r', '#')
                            : ByteMasks::ofTail(bytes + g, size, '"', '\r', '#');
    // Line ends and "#" marks not yet passed in this group.
    std::uint64_t cr = m.b;
    std::uint64_t hash = m.c;
    for (std::uint64_t quotes = m.a; quotes; quotes &= quotes - 1) {
      const int bit = lowestBit(quotes);
      const std::uint64_t below = bitsBelow(bit);
      if (const std::uint64_t crBefore = cr & below) {
        lineDone = (hash & below & ~bitsBelow(highestBit(crBefore) + 1)) != 0;
      } else {
        lineDone = lineDone || (hash & below) != 0;
      }
      cr &= ~below;
      hash &= ~below;
      if (lineDone) continue;
      // A window ends on a quotation mark of the same line and before its
      // comment: a mark whose line or statement ends before the next mark
      // opens none. Nor does one whose next mark is too close to close a
      // window, unless a code itself holds a mark. Most marks go this way.
      const std::uint64_t after = ~bitsBelow(bit + 1);
      const std::uint64_t stopsAfter = (cr | hash) & after;
      const std::uint64_t quotesAfter = m.a & after;
      if (stopsAfter && (!quotesAfter || lowestBit(stopsAfter) < lowestBit(quotesAfter))) continue;
      if (quotesAfter && lowestBit(quotesAfter) - bit < 5 && !filter_.codesHoldQuote()) continue;
      const qsizetype at = g + bit;
      if (!filter_.mayHoldCode(bytes, n, at)) continue;
      const qsizetype start = lineStartBefore(bytes, at);
      lineAtCounted += countByte(bytes + countedTo, start - countedTo, '\r');
      countedTo = start;
      LineNumber = lineAtCounted;
      checkLineBytes(block.sliced(start, lineEndFrom(bytes, n, at) - start));
      lineDone = true;
    }
    if (cr) {
      lineDone = (hash & ~bitsBelow(highestBit(cr) + 1)) != 0;
    } else {
      lineDone = lineDone || hash != 0;
    }
  }
  LineNumber = firstLine;
}

void PublicSubs::checkLineBytes(QByteArrayView raw) {
  if (!isAsciiText(raw)) {
    // Characters outside ASCII are checked after decoding.
    takeLine(raw);
    CheckStatement(Statement);
    return;
  }
  // An ASCII line is the same text as bytes or as characters: check it as
  // bytes and decode it only if it alerts. Which tables it is searched in
  // shows at its start, so a line that is searched in none ends here.
  const void* hash = std::memchr(raw.data(), '#', raw.size());
  const qsizetype codeEnd = hash ? static_cast<const char*>(hash) - raw.data() : raw.size();
  char start[codesearch::kLongestCallName];
  const auto opening =
      normaliser::normalise(raw.data(), raw.size(), start, codesearch::kLongestCallName);
  if (codesearch::tablesFor(start, opening.length,
                            std::memchr(raw.data(), '=', codeEnd) != nullptr) ==
      codesearch::Searched::None) {
    return;
  }
  if (statementBytes_.size() < raw.size()) statementBytes_.resize(raw.size());
  char* const statement = statementBytes_.data();
  const auto line = normaliser::normalise(raw.data(), raw.size(), statement);
  const auto searched = codesearch::tablesFor(statement, line.length, line.hasEquals);
  const qint64 paramRow =
      codesearch::searchesParameters(searched)
          ? codesearch::findQuotedCode(statement, line.length, Tables.ParamIndex)
          : 0;
  const qint64 tagRow = codesearch::searchesTags(searched)
                            ? codesearch::findQuotedCode(statement, line.length, Tables.TagIndex)
                            : 0;
  if (paramRow == 0 && tagRow == 0) return;
  RawLine = QString::fromLatin1(raw);
  Statement = QString::fromLatin1(statement, line.length);
  StatementLength = line.length;
  HasEquals = line.hasEquals;
  if (paramRow > 0) {
    MatchIndex = paramRow;
    ReportParameterAlert();
  }
  if (tagRow > 0) {
    MatchIndex = tagRow;
    ReportTagAlert();
  }
}
