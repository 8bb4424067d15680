#include <cstring>

#include "CodeSearch.h"
#include "LineNormaliser.h"
#include "PublicSubs.h"

bool PublicSubs::checkLines() {
  // Lines that cannot alert are passed over as bytes; the shared line state
  // is built only for lines that alert, and for the last line read, which is
  // what it holds once the scan is over.
  QByteArrayView raw;
  bool anyRead = false;
  bool lastTaken = false;
  for (; LineNumber <= ScriptLineCount; ++LineNumber) {
    if (!FileNumber1.readLineBytes(&raw)) {
      if (FileNumber1.failed()) return false;
      break;  // the script shrank since it was counted: its end ends the scan
    }
    anyRead = true;
    lastTaken = checkLineBytes(raw);
  }
  // A read that finds the end leaves the last line's bytes in place.
  if (anyRead && !lastTaken) takeLine(raw);
  return true;
}

namespace {

bool isAscii(const char* bytes, qsizetype n) {
  unsigned char any = 0;
  for (qsizetype i = 0; i < n; ++i) any |= static_cast<unsigned char>(bytes[i]);
  return any < 0x80;
}

}  // namespace

bool PublicSubs::checkLineBytes(QByteArrayView raw) {
  const char* const bytes = raw.data();
  const qsizetype n = raw.size();
  // No quotation mark before the comment: no quoted code, no alert.
  const void* quote = std::memchr(bytes, '"', n);
  if (!quote) return false;
  const qsizetype quoteAt = static_cast<const char*>(quote) - bytes;
  if (std::memchr(bytes, '#', quoteAt)) return false;

  const void* hash = std::memchr(bytes + quoteAt, '#', n - quoteAt);
  const qsizetype codeEnd = hash ? static_cast<const char*>(hash) - bytes : n;
  if (!isAscii(bytes, codeEnd)) {
    // Characters outside ASCII are searched after decoding.
    takeLine(raw);
    CheckStatement(Statement);
    return true;
  }

  if (statementBytes_.size() < n) statementBytes_.resize(n);
  char* const statement = statementBytes_.data();
  const auto line = normaliser::normalise(bytes, n, statement);
  const auto searched = codesearch::tablesFor(statement, line.length, line.hasEquals);
  const qint64 paramRow =
      codesearch::searchesParameters(searched)
          ? codesearch::findQuotedCode(statement, line.length, Tables.ParamIndex)
          : 0;
  const qint64 tagRow = codesearch::searchesTags(searched)
                            ? codesearch::findQuotedCode(statement, line.length, Tables.TagIndex)
                            : 0;
  if (paramRow == 0 && tagRow == 0) return false;

  takeLine(raw);
  if (paramRow > 0) {
    MatchIndex = paramRow;
    ReportParameterAlert();
  }
  if (tagRow > 0) {
    MatchIndex = tagRow;
    ReportTagAlert();
  }
  return true;
}
