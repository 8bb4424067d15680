#pragma once

#include <QString>
#include <QStringView>

// A shell-style pattern for --exclude: `*` is any run of characters but
// `/`, `**` any run at all, `?` one character but `/`, `[...]` one of a set
// (`[!...]` none of it). A pattern without `/` is matched against a name
// alone; one with `/` against a path.
class GlobPattern {
 public:
  explicit GlobPattern(QString pattern);

  const QString& text() const { return pattern_; }
  bool matchesPaths() const { return matchesPaths_; }
  bool matches(QStringView text) const;

 private:
  QString pattern_;
  bool matchesPaths_;
};
