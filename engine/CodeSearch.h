#pragma once

#include <string_view>

#include "CodeIndex.h"
#include "LineNormaliser.h"

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

// The row of the leftmost quoted code, the lowest row at that position, or 0.
// Every 6-character window is tried, the last one ending on the statement's
// last character; statements of 6 characters or fewer are not searched.
template <typename Char>
qint64 findQuotedCode(const Char* statement, qsizetype length, const CodeIndex& index) {
  if (length <= 6 || index.isEmpty()) return 0;
  const qsizetype lastStart = length - 6;
  for (qsizetype p = 0; p <= lastStart; ++p) {
    if (unitOf(statement[p]) != u'"' || unitOf(statement[p + 5]) != u'"') {
      continue;
    }
    if (const qint64 row = index.lowestRow(CodeIndex::keyOf(statement + p + 1))) return row;
  }
  return 0;
}

}  // namespace codesearch
