#pragma once

#include <string_view>

#include "CharUnits.h"
#include "CodeIndex.h"
#include "StatementSyntax.h"

// Classifying a statement by its leading call name, and finding the leftmost
// quoted 4-character code of a table in it. Works on bytes of an ASCII
// statement and on 16-bit characters alike.

namespace codesearch {

enum class Searched { Parameter, Tag, Both, None };

struct CallName {
  std::u16string_view name;
  Searched searched;
};

// Tested in this order; none is the beginning of another.
inline constexpr CallName kCallNames[] = {
    {u"GetCameraState", Searched::Parameter}, {u"GetParameterState", Searched::Parameter},
    {u"SetCameraState", Searched::Parameter}, {u"SetParameterState", Searched::Parameter},
    {u"GetFileTag", Searched::Tag},           {u"RestoreCameraDefault", Searched::Parameter},
    {u"SetUserFileTag", Searched::Tag},       {u"RestoreParameterDefault", Searched::Parameter},
};

inline constexpr qsizetype kLongestCallName = 23;

// A quoted code is a 6-character window: a mark, the code, a mark.
inline constexpr qsizetype kWindow = 6;

// Which tables to search: the table of a leading call name (compared case by
// case), else both when the line holds "=", else none.
template <typename Char>
Searched tablesFor(const Char* statement, qsizetype length, bool hasEquals) {
  for (const CallName& call : kCallNames) {
    const auto n = static_cast<qsizetype>(call.name.size());
    if (length < n) continue;
    qsizetype i = 0;
    while (i < n && unitOf(statement[i]) == call.name[i]) ++i;
    if (i == n) return call.searched;
  }
  return hasEquals ? Searched::Both : Searched::None;
}

inline bool searchesParameters(Searched t) {
  return t == Searched::Parameter || t == Searched::Both;
}
inline bool searchesTags(Searched t) {
  return t == Searched::Tag || t == Searched::Both;
}

struct Hit {
  qsizetype row = -1;       // the table row, -1 for none
  qsizetype position = -1;  // where the window's opening mark stands in the statement
  explicit operator bool() const { return row >= 0; }
};

// The leftmost quoted code, the first row at that position. Every window is
// tried, the last one ending on the statement's last character; statements
// no longer than a window are not searched.
template <typename Char>
Hit findQuotedCode(const Char* statement, qsizetype length, const CodeIndex& index) {
  if (length <= kWindow || index.isEmpty()) return {};
  for (qsizetype p = 0; p + kWindow <= length; ++p) {
    if (unitOf(statement[p]) != syntax::kQuote ||
        unitOf(statement[p + kWindow - 1]) != syntax::kQuote) {
      continue;
    }
    if (const qsizetype row = index.lowestRow(CodeIndex::keyOf(statement + p + 1)); row >= 0)
      return {row, p};
  }
  return {};
}

}  // namespace codesearch
