#pragma once

#include <optional>

#include <QString>

#include "ProjectFile.h"

// Where vornel-scan and its language server take their settings from: the
// command line's options, which beat the project file's, which beats what
// is installed.
struct SettingsSources {
  QString tablesFolder;   // --tables; empty: the project file's, else the installed tables
  QString configFile;     // --config; empty: .vornel-scan from `searchFrom` up
  bool noConfig = false;  // --no-config
  QString searchFrom;     // where to look for the project file; empty: the working folder
  QString installedTables;
  std::optional<textlines::LineEnds> lineEnds;  // --line-ends; none: the project file's, else auto
};

// What they come to.
struct Settings {
  ProjectFile project;   // empty, with no path, when there is none
  QString tablesFolder;  // the folder the tables are read from
  textlines::LineEnds lineEnds = textlines::LineEnds::Auto;
};

// Reads the project file the sources name or lead to, and picks the tables
// folder. False with `error` set ("<file>:<line>: <what>") when a project
// file is found but cannot be read or holds a bad line; `settings->project`
// then has the file's path, so that an editor can watch it.
bool resolveSettings(const SettingsSources& sources, Settings* settings, QString* error);
