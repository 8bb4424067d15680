#pragma once

#include <QString>

// How vornel-scan --lsp was started: where its tables and settings come
// from, as the command line says.
struct ServerSettings {
  QString tablesFolder;      // --tables, absolute; empty: the project file's, else the installed
  QString installedTables;   // the tables beside the program
  QString configFile;        // --config, absolute; empty: .vornel-scan from the workspace up
  bool noConfig = false;     // --no-config
  bool inlineConfig = true;  // not --no-inline-config
  QString version;
};
