#pragma once

#include "TestTables.h"

// The fixed tables the scanner fuzzers scan against: plain codes, a code in
// both tables and one listed twice, codes with quotation marks, a space, a
// VT, a letter outside ASCII, a character past 16 bits (four UTF-16 units,
// three code points), the replacement character that an invalid byte
// decodes to, and codes of three and five characters that never match.
inline const Tables& fuzzTables() {
  static const Tables tables =
      makeTables({"zmod", "isoa", "z\"od", u"\u00e9xmo"_qs, "ab c", "\vxmo", u"\U0001F4F7ab"_qs,
                  u"\uFFFDbad"_qs, "abc", "abcde", "zmod", "both"},
                 {"ownr", "expo", "both", "\"\"\"\"", "ex\"o", u"\u00e9xmo"_qs, "ownr"});
  return tables;
}
