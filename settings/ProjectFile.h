#pragma once

#include <optional>
#include <vector>

#include <QString>
#include <QStringList>

#include "GlobPattern.h"
#include "TextLines.h"

// A project's settings for vornel-scan, in a file `.vornel-scan` at the top
// of its scripts, so that they need not be on every command line:
//
//   # comments start with #
//   tables = tools/tables        a folder; relative paths are relative to this file
//   exclude = generated/**       may be given again; relative to this file's folder
//   format = gcc
//   disable = zmod, isoa         codes never to report; may be given again
//   baseline = vornel-baseline.json
//   line-ends = any              crlf (the default): only CR and CR LF end a line
struct ProjectFile {
  QString path;  // empty when there is none
  QString tablesFolder;
  std::vector<GlobPattern> excludes;
  QString format;
  QStringList disabled;
  QString baseline;
  std::optional<textlines::LineEnds> lineEnds;
};

// The project file `.vornel-scan` of the working folder or the nearest
// folder above it, looking no higher than a git repository's top (the
// folder that holds `.git`). False with `error` set ("<file>:<line>:
// <what>") when one is found but cannot be read or holds a bad line; a
// missing file is no error.
bool findProjectFile(ProjectFile* project, QString* error);
// The same, looking from `folder` up instead of from the working folder.
bool findProjectFileFrom(const QString& folder, ProjectFile* project, QString* error);
// The same for the file at `path`, which must exist and be a file of at
// most 1 MiB.
bool readProjectFile(const QString& path, ProjectFile* project, QString* error);
