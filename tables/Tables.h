#pragma once

#include <QString>

#include "ReferenceTable.h"

// Which table a row comes from.
enum class TableKind : quint8 { Tags, Params };

// The two reference tables: tags.txt, the file-tag codes, and param.txt, the
// camera-parameter codes.
struct Tables {
  ReferenceTable tags;
  ReferenceTable params;
  // The files they were read from; empty for tables built in memory.
  QString tagsPath;
  QString paramsPath;

  const ReferenceTable& operator[](TableKind kind) const {
    return kind == TableKind::Tags ? tags : params;
  }
};
