#include "StretchScan.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "ByteSearch.h"
#include "CodePoints.h"
#include "CodeSearch.h"
#include "Directive.h"
#include "LineNormaliser.h"
#include "StatementStream.h"
#include "SystemText.h"
#include "TextLines.h"

namespace {

// The start of the line that holds position `at` of a block that begins at
// a line start.
// Bits below position `bit` (0..64).
inline std::uint64_t bitsBelow(int bit) {
  return bit >= 64 ? ~0ull : (1ull << bit) - 1;
}
inline int lowestBit(std::uint64_t m) {
  return std::countr_zero(m);
}

// Whether a statement could begin with a call name: its first character,
// after the tabs, line feeds, form feeds and spaces that lead no statement,
// is the first letter of one.
bool mayOpenWithCall(QByteArrayView raw) {
  for (const char c : raw) {
    const auto treatment = syntax::treatmentOf(static_cast<unsigned char>(c));
    if (treatment == syntax::Treatment::Dropped || treatment == syntax::Treatment::Space) continue;
    return std::any_of(std::begin(codesearch::kCallNames), std::end(codesearch::kCallNames),
                       [c](const codesearch::CallName& call) { return call.name[0] == c; });
  }
  return false;
}

// Bits of x shifted down by k (1..63), the next group's bits moving in on top.
inline std::uint64_t ahead(std::uint64_t x, std::uint64_t next, int k) {
  return (x >> k) | (next << (64 - k));
}

// Bits set where one of the 5 bytes after them is marked in x or, past the
// group's end, in the next group: the marks of x smeared down over five
// bits, and those of the next group's first five bytes up into the top
// five, each two and four at a time.
inline std::uint64_t withinFive(std::uint64_t x, std::uint64_t next) {
  const std::uint64_t one = x >> 1;
  const std::uint64_t two = one | (one >> 1);
  const std::uint64_t here = two | (two >> 2) | (one >> 4);
  const std::uint64_t top = next << 59;
  const std::uint64_t topTwo = top | (top << 1);
  return here | topTwo | (topTwo << 2) | (top << 4);
}

// The 64 bits of x and the next group's bits that stand for the 64 bytes
// after position `bit` (0..63).
inline std::uint64_t after(std::uint64_t x, std::uint64_t next, int bit) {
  return ((x >> bit) >> 1) | (next << (63 - bit));
}

// For a mark at `bit` whose window holds bytes the statement may drop:
// whether a mark stands among the first five bytes after it that the
// statement surely keeps, at least five bytes after it, with no line end or
// "#" before. The fifth window character is kept, so it is one of those
// five bytes at the latest, and it must be a mark. Past 64 bytes, it cannot
// tell.
inline bool closesSoon(const ScriptMasks& m, const ScriptMasks& x, int bit) {
  std::uint64_t kept = ~after(m.loose, x.loose, bit);
  for (int i = 0; i < 4 && kept != 0; ++i) kept &= kept - 1;
  if (kept == 0) return true;
  const std::uint64_t upToFifth = kept ^ (kept - 1);
  // The fifth window character stands four bytes or more past the first.
  const std::uint64_t marks = after(m.quotes, x.quotes, bit) & upToFifth & ~std::uint64_t(0xf);
  if (marks == 0) return false;
  const std::uint64_t beforeMark = (marks ^ (marks - 1)) >> 1;
  return (after(m.lineEnds | m.hashes, x.lineEnds | x.hashes, bit) & beforeMark) == 0;
}

}  // namespace

// Called for most marks that close a string, so kept in the loop that calls it.
inline bool StretchScan::mayOpenCode(const ScriptMasks& m, const ScriptMasks& x, const char* bytes,
                                     qsizetype n, qsizetype at, int bit) const {
  // The statement drops every loose byte after a mark up to the first plain
  // one, which is then its first window character, unless one of those
  // loose bytes is one the statement keeps.
  const std::uint64_t plain = ~after(m.loose, x.loose, bit);
  if (plain == 0) return true;
  const int first = lowestBit(plain);
  // Those loose bytes are few, mostly a blank or two: read them.
  for (qsizetype i = at + 1; i <= at + first && i < n; ++i) {
    if (scriptmasks::isOddByte(static_cast<unsigned char>(bytes[i]))) return true;
  }
  const qsizetype opener = at + 1 + first;
  return opener >= n || filter_.mayOpenCode(static_cast<unsigned char>(bytes[opener]));
}

void StretchScan::check(QByteArrayView block) {
  const char* const bytes = block.data();
  const qsizetype n = block.size();
  const qsizetype groups = (n + ScriptMasks::kGroup - 1) / ScriptMasks::kGroup;
  // Bytes before this belong to a line that was checked in full already.
  qsizetype lineDoneUntil = 0;
  // Whether the byte after the last group is inside a comment.
  std::uint64_t inComment = 0;
  qint64 lineEnds = 0;
  // Whether the byte before the group is a CR. A block starts after a CR
  // and the LF that belongs to it, which the reader kept out of the block.
  std::uint64_t crBefore = 0;
  for (qsizetype first = 0; first < groups; first += kMaskedGroups) {
    const qsizetype count = std::min<qsizetype>(kMaskedGroups, groups - first);
    const qsizetype from = first * ScriptMasks::kGroup;
    const qint64 endsBefore = lineEnds;
    lineEnds += maskScript(bytes + from, n - from, count, masks_.data());
    // One group more shows the windows that run past the last group.
    masks_[count] = ScriptMasks{};
    if (first + count < groups) {
      const qsizetype next = from + count * ScriptMasks::kGroup;
      maskScript(bytes + next, n - next, 1, &masks_[count]);
    }
    for (qsizetype g = 0; g < count; ++g) {
      const ScriptMasks& m = masks_[g];
      // A comment runs from a "#" to the line end: adding the "#" bits to
      // the bits that are no line end carries a 1 from each "#" up to the
      // next CR. The carry into each bit says whether a "#" came before it.
      std::uint64_t sum = 0;
      const bool carriedOut = __builtin_add_overflow(m.hashes, ~m.lineEnds, &sum);
      const bool carriedIn = __builtin_add_overflow(sum, inComment, &sum);
      const std::uint64_t commented = sum ^ m.hashes ^ ~m.lineEnds;
      inComment = carriedOut || carriedIn ? 1 : 0;
      const qsizetype base = from + g * ScriptMasks::kGroup;
      if (const std::uint64_t lone = m.lineFeeds & ~((m.lineEnds << 1) | crBefore); lone) {
        const int bit = lowestBit(lone);
        noteLoneLineFeeds(block, base, lone,
                          lines_ + 1 + endsBefore + m.lineEndsBefore +
                              std::popcount(m.lineEnds & bitsBelow(bit)));
      }
      crBefore = m.lineEnds >> 63;
      // Any `#` may open a directive: quotation marks protect nothing.
      for (std::uint64_t hashes = m.hashes; hashes; hashes &= hashes - 1) {
        const int bit = lowestBit(hashes);
        qsizetype at = base + bit + 1;
        while (at < n && directive::isBlank(static_cast<unsigned char>(bytes[at]))) ++at;
        if (n - at < directive::kMarkerSize || bytes[at] != directive::kMarker[0] ||
            std::memcmp(bytes + at, directive::kMarker, directive::kMarkerSize) != 0) {
          continue;
        }
        const qint64 line =
            lines_ + 1 + endsBefore + m.lineEndsBefore + std::popcount(m.lineEnds & bitsBelow(bit));
        noteDirective(block, base + bit, at + directive::kMarkerSize, line);
      }
      const std::uint64_t live = m.quotes & ~commented;
      if (live == 0) continue;
      // A window is the five statement characters after a mark, the last of
      // them a mark. A line end or "#" within five bytes leaves too few. With
      // no byte among those five that the statement might drop, the window
      // is those raw bytes; otherwise it is read byte by byte.
      const ScriptMasks& x = masks_[g + 1];
      const std::uint64_t ends = m.lineEnds | m.hashes;
      const std::uint64_t endsNext = x.lineEnds | x.hashes;
      const std::uint64_t endSoon = withinFive(ends, endsNext);
      const std::uint64_t looseSoon = withinFive(m.loose, x.loose);
      const std::uint64_t open = live & ~endSoon;
      const std::uint64_t exact = open & ~looseSoon & ahead(m.quotes, x.quotes, 5);
      const std::uint64_t bent = open & looseSoon;
      // The marks whose window holds a listed code: nearly always none, so
      // each kind is tried in a loop of its own, where the branch on the
      // answer is predictable.
      std::uint64_t hits = 0;
      for (std::uint64_t marks = exact; marks; marks &= marks - 1) {
        const int bit = lowestBit(marks);
        if (filter_.isCode(bytes + base + bit + 1)) hits |= marks & -marks;
      }
      for (std::uint64_t marks = bent; marks; marks &= marks - 1) {
        const int bit = lowestBit(marks);
        if (mayOpenCode(m, x, bytes, n, base + bit, bit) && closesSoon(m, x, bit) &&
            filter_.mayHoldCode(bytes, n, base + bit)) {
          hits |= marks & -marks;
        }
      }
      for (; hits; hits &= hits - 1) {
        const int bit = lowestBit(hits);
        const qsizetype at = base + bit;
        if (at < lineDoneUntil) continue;
        const qint64 line =
            lines_ + 1 + endsBefore + m.lineEndsBefore + std::popcount(m.lineEnds & bitsBelow(bit));
        const qsizetype start = textlines::lineStartBefore(block, at);
        lineDoneUntil = textlines::lineEndFrom(block, at);
        checkLine(block.sliced(start, lineDoneUntil - start), line);
      }
    }
  }
  lines_ += block.endsWith(textlines::kLineEnd) ? lineEnds : lineEnds + 1;
}

void StretchScan::noteLoneLineFeeds(QByteArrayView block, qsizetype base, std::uint64_t lone,
                                    qint64 line) {
  const bool first = loneLineFeeds_.count == 0;
  loneLineFeeds_.count += std::popcount(lone);
  if (!first) return;
  // Its column, as an alert's would be counted: once a stretch at most.
  const qsizetype at = base + lowestBit(lone);
  const qsizetype start = textlines::lineStartBefore(block, at);
  const QString before = decodeSystemText(block.sliced(start, at - start));
  loneLineFeeds_.line = line;
  loneLineFeeds_.column = codePointColumn(before, before.size());
}

void StretchScan::checkLine(QByteArrayView raw, qint64 line) {
  if (raw.size() >= kLongStatement) {
    checkLongLine(raw, line);
    return;
  }
  if (!isAsciiText(raw)) {
    checkDecodedLine(raw, line);
    return;
  }
  // An ASCII line is the same text as bytes or as characters: check it as
  // bytes and decode only its statement if it alerts. Which tables it is
  // searched in shows at its start, so a line that is searched in none ends
  // here.
  const char* hash = findByte(raw.data(), std::size_t(raw.size()), char(syntax::kComment));
  const qsizetype codeEnd = hash ? hash - raw.data() : raw.size();
  const bool hasEquals = findByte(raw.data(), std::size_t(codeEnd), char(syntax::kEquals));
  if (!hasEquals && !mayOpenWithCall(raw)) return;
  char start[codesearch::kLongestCallName];
  const auto opening =
      normaliser::normalise(raw.data(), raw.size(), start, codesearch::kLongestCallName);
  const auto searched = codesearch::tablesFor(start, opening.length, hasEquals);
  if (searched == codesearch::Searched::None) return;
  // A call searches one table; the byte test that picked the line knew only
  // that some window holds a code of either.
  if (searched != codesearch::Searched::Both &&
      !anyWindowHolds(
          raw, codeEnd,
          searched == codesearch::Searched::Tag ? tables_.tags.index() : tables_.params.index())) {
    return;
  }
  if (statementBytes_.size() < raw.size()) statementBytes_.resize(raw.size());
  if (qsizetype(rawIndex_.size()) < raw.size()) rawIndex_.resize(std::size_t(raw.size()));
  char* const statement = statementBytes_.data();
  const auto result =
      normaliser::normalise(raw.data(), raw.size(), statement, -1, rawIndex_.data());
  // In an ASCII line every byte is one character.
  addAlerts(statement, result.length, rawIndex_.data(), searched, line,
            [](qsizetype index) { return qint64(index) + 1; });
}

bool StretchScan::anyWindowHolds(QByteArrayView raw, qsizetype codeEnd,
                                 const CodeIndex& codes) const {
  const char* const bytes = raw.data();
  const char quote = char(syntax::kQuote);
  for (const char* mark = bytes;
       (mark = findByte(mark, std::size_t(codeEnd - (mark - bytes)), quote)); ++mark) {
    if (filter_.mayHoldCode(bytes, raw.size(), mark - bytes, &codes)) return true;
  }
  return false;
}

void StretchScan::checkDecodedLine(QByteArrayView raw, qint64 line) {
  decoded_ = decodeSystemText(raw);
  statementText_.resize(decoded_.size());
  if (qsizetype(rawIndex_.size()) < decoded_.size()) rawIndex_.resize(std::size_t(decoded_.size()));
  const auto result = normaliser::normalise(decoded_.constData(), decoded_.size(),
                                            statementText_.data(), -1, rawIndex_.data());
  const auto searched =
      codesearch::tablesFor(statementText_.constData(), result.length, result.hasEquals);
  addAlerts(statementText_.constData(), result.length, rawIndex_.data(), searched, line,
            [this](qsizetype index) { return codePointColumn(decoded_, index); });
}

template <typename Char, typename Column>
void StretchScan::addAlerts(const Char* statement, qsizetype length, const qsizetype* rawIndex,
                            codesearch::Searched searched, qint64 line, Column column) {
  using codesearch::Hit;
  const Hit param = codesearch::searchesParameters(searched)
                        ? codesearch::findQuotedCode(statement, length, tables_.params.index())
                        : Hit{};
  const Hit tag = codesearch::searchesTags(searched)
                      ? codesearch::findQuotedCode(statement, length, tables_.tags.index())
                      : Hit{};
  if (!param && !tag) return;
  const qsizetype at = statements_.size();
  if constexpr (sizeof(Char) == 1) {
    statements_.append(QLatin1StringView(statement, length));
  } else {
    statements_.append(statement, length);
  }
  auto add = [&](const Hit& hit, TableKind table) {
    const qsizetype close = hit.position + codesearch::kWindow - 1;
    found_.push_back({line, at, length, hit.row, table, column(rawIndex[hit.position]),
                      column(rawIndex[close]) + 1});
  };
  if (param) add(param, TableKind::Params);
  if (tag) add(tag, TableKind::Tags);
}

void StretchScan::checkLongLine(QByteArrayView raw, qint64 line) {
  // Builds the statement straight from the raw bytes, once to search it
  // and, if it alerts, once more to find the columns of its marks.
  constexpr qsizetype kPiece = 1 << 20;
  auto walk = [&](auto kept) {
    StatementStream stream;
    for (qsizetype at = 0; !stream.ended();) {
      const qsizetype n = qMin(kPiece, raw.size() - at);
      stream.feed(raw.sliced(at, n), at + n == raw.size(), kept);
      at += n;
      if (at == raw.size()) break;
    }
    return stream.hasEquals();
  };
  QString statement;
  const bool hasEquals = walk([&](char16_t c, qint64) { statement.append(QChar(c)); });
  statement.squeeze();
  using codesearch::Hit;
  const auto searched = codesearch::tablesFor(statement.constData(), statement.size(), hasEquals);
  const Hit param = codesearch::searchesParameters(searched)
                        ? codesearch::findQuotedCode(statement.constData(), statement.size(),
                                                     tables_.params.index())
                        : Hit{};
  const Hit tag = codesearch::searchesTags(searched)
                      ? codesearch::findQuotedCode(statement.constData(), statement.size(),
                                                   tables_.tags.index())
                      : Hit{};
  if (!param && !tag) return;
  // The columns of each hit's two marks.
  const qsizetype marks[] = {param.position, param.position + codesearch::kWindow - 1, tag.position,
                             tag.position + codesearch::kWindow - 1};
  qint64 columns[4] = {};
  qsizetype index = 0;
  walk([&](char16_t, qint64 column) {
    for (int i = 0; i < 4; ++i) {
      if (marks[i] == index) columns[i] = column;
    }
    ++index;
  });
  const qsizetype at = -1 - qsizetype(longStatements_.size());
  const qsizetype length = statement.size();
  longStatements_.push_back(std::move(statement));
  if (param)
    found_.push_back({line, at, length, param.row, TableKind::Params, columns[0], columns[1] + 1});
  if (tag)
    found_.push_back({line, at, length, tag.row, TableKind::Tags, columns[2], columns[3] + 1});
}

void StretchScan::restart() {
  lines_ = 0;
  loneLineFeeds_ = LoneLineFeeds();
  found_.clear();
  statements_.resize(0);
  longStatements_.clear();
  directives_.clear();
}

void StretchScan::noteDirective(QByteArrayView block, qsizetype hash, qsizetype markerEnd,
                                qint64 line) {
  directives_.push_back(directive::readAt(block, hash, markerEnd, line));
}

void StretchScan::handOver(qint64 firstLine, DiagnosticSink& sink) {
  Diagnostic alert;
  auto next = directives_.begin();
  // Directives of a line before its alerts, and the ones after the last alert.
  auto directivesTo = [&](qint64 line) {
    for (; next != directives_.end() && next->line <= line; ++next) {
      next->line += firstLine - 1;
      sink.directive(*next);
    }
  };
  for (const Found& found : found_) {
    directivesTo(found.line);
    alert.line = firstLine + found.line - 1;
    alert.statement =
        found.statementAt < 0
            ? longStatements_[std::size_t(-1 - found.statementAt)]
            : QStringView(statements_).sliced(found.statementAt, found.statementLength).toString();
    alert.table = found.table;
    alert.row = &tables_[found.table].row(found.row);
    alert.column = found.column;
    alert.endColumn = found.endColumn;
    sink.diagnostic(alert);
  }
  directivesTo(lines_ + 1);
  directives_.clear();
  found_.clear();
  statements_.resize(0);  // keeps its memory for the next alerts
  longStatements_.clear();
}
