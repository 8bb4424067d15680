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
//   select = tags/, zmod         what is reported (default: everything)
//   ignore = isoa, line-ends     what is not; may be given again; `disable` is
//                                another name for it
//   severity = zmod:error, tags/:info
//   baseline = vornel-baseline.json
//   line-ends = any              crlf (the default): only CR and CR LF end a line
//
// select, ignore and severity name rules ("line-ends"), table rows
// ("params/zmod"), codes ("zmod") and tables ("tags/"); the checker, which
// knows the tables, decides what they name.
struct ProjectFile {
  // A rule, row, code or table as a line of the file names it.
  struct Named {
    QString name;
    qint64 line = 0;
    QString severity;  // of a severity entry: error, warning or info
  };

  QString path;  // empty when there is none
  QString tablesFolder;
  std::vector<GlobPattern> excludes;
  QString format;
  std::optional<std::vector<Named>> select;  // none: not given
  std::vector<Named> ignore;
  std::vector<Named> severities;
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
