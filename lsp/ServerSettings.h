#pragma once

#include <optional>

#include <QString>

#include "TextLines.h"

// How vornel-scan --lsp was started: where its tables and settings come
// from, as the command line says.
struct ServerSettings {
  QString tablesFolder;      // --tables, absolute; empty: the project file's, else the installed
  QString installedTables;   // the tables beside the program
  QString configFile;        // --config, absolute; empty: .vornel-scan from the workspace up
  bool noConfig = false;     // --no-config
  bool inlineConfig = true;  // not --no-inline-config
  QString version;
  std::optional<textlines::LineEnds> lineEnds;  // --line-ends; none: the project file's
};
