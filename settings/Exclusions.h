#pragma once

#include <vector>

#include <QString>

#include "GlobPattern.h"

// The scripts and folders a run or the editor passes over: the patterns of
// --exclude, relative to the working folder, or of the project file,
// relative to the file's folder. So a script gets one answer however it is
// reached: by name, below a folder named, or opened in an editor.
//
// A pattern without `/` is matched against the name of the script and of
// each folder on its way from that folder; one with `/` against the path
// from that folder to the script and to each folder on the way (with `..`
// where the way leaves the folder), or, when it starts with `/`, against
// the absolute path. Paths are taken as written, `.` and `..` segments
// worked out, links not followed.
class Exclusions {
 public:
  Exclusions() = default;
  // `folder` is absolute.
  Exclusions(const QString& folder, const std::vector<GlobPattern>& patterns);

  bool isEmpty() const { return names_.empty() && paths_.empty() && absolute_.empty(); }

  // `path` (absolute, or relative to the working folder) as the patterns
  // see it: relative to the folder, `.` for the folder itself.
  QString relativeOf(const QString& path) const;
  // Whether the script or folder at `relative` (as relativeOf gives it) is
  // passed over by its own name or path, whatever the folders on its way.
  bool matchesItself(const QString& relative) const;
  // Whether it is passed over, by itself or by a folder on its way.
  bool matches(const QString& relative) const;
  bool excludes(const QString& path) const { return !isEmpty() && matches(relativeOf(path)); }

 private:
  QString folder_;  // absolute and clean
  std::vector<GlobPattern> names_;
  std::vector<GlobPattern> paths_;     // relative, clean
  std::vector<GlobPattern> absolute_;  // clean
};
