#include "GlobPattern.h"

namespace {

// Whether the set starting at pattern[p] (just past the `[`) holds `c`;
// `*end` is set just past its `]`. A set without its `]` is a plain `[`.
bool inSet(QStringView pattern, qsizetype p, QChar c, qsizetype* end) {
  const bool negated = p < pattern.size() && (pattern[p] == u'!' || pattern[p] == u'^');
  qsizetype i = negated ? p + 1 : p;
  bool found = false;
  for (bool first = true; i < pattern.size() && (first || pattern[i] != u']'); first = false) {
    if (i + 2 < pattern.size() && pattern[i + 1] == u'-' && pattern[i + 2] != u']') {
      found = found || (c >= pattern[i] && c <= pattern[i + 2]);
      i += 3;
    } else {
      found = found || c == pattern[i];
      ++i;
    }
  }
  if (i >= pattern.size()) {
    *end = -1;
    return false;
  }
  *end = i + 1;
  return found != negated;
}

bool match(QStringView pattern, qsizetype p, QStringView text, qsizetype t) {
  while (p < pattern.size()) {
    const QChar c = pattern[p];
    if (c == u'*') {
      const bool any = p + 1 < pattern.size() && pattern[p + 1] == u'*';
      qsizetype next = any ? p + 2 : p + 1;
      // `**/` also matches no folder at all.
      if (any && next < pattern.size() && pattern[next] == u'/' &&
          match(pattern, next + 1, text, t))
        return true;
      for (qsizetype end = t;; ++end) {
        if (match(pattern, next, text, end)) return true;
        if (end >= text.size() || (!any && text[end] == u'/')) return false;
      }
    }
    if (t >= text.size()) return false;
    if (c == u'?') {
      if (text[t] == u'/') return false;
    } else if (c == u'[') {
      qsizetype end;
      const bool in = inSet(pattern, p + 1, text[t], &end);
      if (end >= 0) {
        if (!in || text[t] == u'/') return false;
        p = end;
        ++t;
        continue;
      }
      if (text[t] != c) return false;
    } else if (text[t] != c) {
      return false;
    }
    ++p;
    ++t;
  }
  return t == text.size();
}

}  // namespace

GlobPattern::GlobPattern(QString pattern)
    : pattern_(std::move(pattern)), matchesPaths_(pattern_.contains(u'/')) {}

bool GlobPattern::matches(QStringView text) const {
  return match(pattern_, 0, text, 0);
}
