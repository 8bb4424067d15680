#include "GlobPattern.h"

#include <utility>
#include <vector>

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

// One step of a pattern: a character, `?`, a set, `*` or `**`.
struct Step {
  enum class Kind { Character, AnyOne, Set, Star, AnyStar } kind;
  qsizetype at;  // where it starts in the pattern
};

std::vector<Step> stepsOf(QStringView pattern) {
  std::vector<Step> steps;
  for (qsizetype p = 0; p < pattern.size();) {
    const QChar c = pattern[p];
    if (c == u'*') {
      const bool any = p + 1 < pattern.size() && pattern[p + 1] == u'*';
      steps.push_back({any ? Step::Kind::AnyStar : Step::Kind::Star, p});
      p += any ? 2 : 1;
    } else if (c == u'?') {
      steps.push_back({Step::Kind::AnyOne, p++});
    } else if (qsizetype end; c == u'[' && (inSet(pattern, p + 1, c, &end), end >= 0)) {
      steps.push_back({Step::Kind::Set, p});
      p = end;
    } else {
      steps.push_back({Step::Kind::Character, p++});
    }
  }
  return steps;
}

// Whether the pattern matches the whole text. Worked out from the last step
// back, for every place in the text at once, so that runs of stars cost
// their length times the text's, never a search that doubles with each.
bool match(QStringView pattern, QStringView text) {
  const std::vector<Step> steps = stepsOf(pattern);
  const qsizetype n = text.size();
  // after[t]: the steps after this one match text from t on; and the same
  // for the step after that, which `**/` may jump to.
  std::vector<char> after(std::size_t(n + 1), 0);
  std::vector<char> afterNext(std::size_t(n + 1), 0);
  std::vector<char> here(std::size_t(n + 1), 0);
  after[std::size_t(n)] = 1;
  for (std::size_t k = steps.size(); k-- > 0;) {
    const Step& step = steps[k];
    const bool slashNext = k + 1 < steps.size() && steps[k + 1].kind == Step::Kind::Character &&
                           pattern[steps[k + 1].at] == u'/';
    bool run = false;  // `**` and the steps after it match from t + 1 on
    for (qsizetype t = n; t >= 0; --t) {
      const auto i = std::size_t(t);
      bool ok = false;
      switch (step.kind) {
        case Step::Kind::Star:
          ok = after[i] || (t < n && text[t] != u'/' && here[i + 1]);
          break;
        case Step::Kind::AnyStar:
          // `**/` also matches no folder at all, where it stands.
          run = after[i] || (t < n && run);
          ok = run || (slashNext && afterNext[i]);
          break;
        case Step::Kind::AnyOne:
          ok = t < n && text[t] != u'/' && after[i + 1];
          break;
        case Step::Kind::Set: {
          qsizetype end;
          ok = t < n && text[t] != u'/' && inSet(pattern, step.at + 1, text[t], &end) &&
               after[i + 1];
          break;
        }
        case Step::Kind::Character:
          ok = t < n && text[t] == pattern[step.at] && after[i + 1];
          break;
      }
      here[i] = ok;
    }
    // For the step before: `here` is what follows it, `after` what follows
    // that; the oldest row is written over next.
    std::swap(afterNext, after);
    std::swap(after, here);
  }
  return after[0];
}

}  // namespace

GlobPattern::GlobPattern(QString pattern)
    : pattern_(std::move(pattern)), matchesPaths_(pattern_.contains(u'/')) {}

bool GlobPattern::matches(QStringView text) const {
  return match(pattern_, text);
}
