#include "Exclusions.h"

#include <algorithm>

#include <QDir>

namespace {

bool anyMatches(const std::vector<GlobPattern>& patterns, QStringView text) {
  return std::any_of(patterns.begin(), patterns.end(),
                     [text](const GlobPattern& pattern) { return pattern.matches(text); });
}

}  // namespace

Exclusions::Exclusions(const QString& folder, const std::vector<GlobPattern>& patterns)
    : folder_(QDir::cleanPath(folder)) {
  for (const GlobPattern& pattern : patterns) {
    const QString& text = pattern.text();
    // `generated/` stays a path, the folder beside the project file, though
    // cleaning takes its `/` away.
    if (!text.contains(u'/')) {
      names_.push_back(pattern);
    } else if (text.startsWith(u'/')) {
      absolute_.emplace_back(QDir::cleanPath(text));
    } else {
      paths_.emplace_back(QDir::cleanPath(text));
    }
  }
}

QString Exclusions::relativeOf(const QString& path) const {
  return QDir::cleanPath(QDir(folder_).relativeFilePath(QDir::current().absoluteFilePath(path)));
}

bool Exclusions::matchesItself(const QString& relative) const {
  const QStringView name = QStringView(relative).sliced(relative.lastIndexOf(u'/') + 1);
  // The folder itself, and the steps up out of it, are no place on the way.
  if (name == u"." || name == u"..") return false;
  if (anyMatches(names_, name) || anyMatches(paths_, relative)) return true;
  return !absolute_.empty() && anyMatches(absolute_, QDir::cleanPath(folder_ + u'/' + relative));
}

bool Exclusions::matches(const QString& relative) const {
  for (qsizetype end = relative.indexOf(u'/');; end = relative.indexOf(u'/', end + 1)) {
    if (matchesItself(end < 0 ? relative : relative.first(end))) return true;
    if (end < 0) return false;
  }
}
