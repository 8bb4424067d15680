#pragma once

#include <QtGlobal>

// The line feeds of a script that follow no CR, which end no line where
// only CR and CR LF do: each joins two lines of its writer into one.
struct LoneLineFeeds {
  qint64 count = 0;
  // Where the first stands: its line, and its column as alerts count them.
  qint64 line = 0;
  qint64 column = 0;

  // Adds those of the lines that follow, numbered from 1 after `linesBefore`.
  void addAfter(const LoneLineFeeds& later, qint64 linesBefore) {
    if (later.count == 0) return;
    if (count == 0) {
      line = linesBefore + later.line;
      column = later.column;
    }
    count += later.count;
  }
};
