#pragma once

#include <optional>
#include <vector>

#include <QString>
#include <QStringList>

#include "GlobPattern.h"
#include "TextLines.h"

// What the command line asks for.
struct CliOptions {
  enum class Color { Auto, Always, Never };
  // What the run does: check scripts, look at the tables, or serve an
  // editor as a language server.
  enum class Task { Check, CheckTables, ListCodes, Explain, LanguageServer };

  Task task = Task::Check;
  QString explainCode;
  QStringList paths;     // files, folders, and `-` for standard input
  QString tablesFolder;  // empty: the installed tables
  QString format = QStringLiteral("classic");
  bool formatGiven = false;           // on the command line, which wins over the project file
  int jobs = 0;                       // 0: as many as the processors
  std::vector<GlobPattern> excludes;  // from the command line; replace the project file's
  bool forceExclude = false;          // the exclusions pass over paths named too
  bool allowEmpty = false;            // a folder named may hold no script to check
  QString standardInputName = QStringLiteral("-");
  bool exitZero = false;
  Color color = Color::Auto;
  bool quiet = false;
  bool verbose = false;
  bool statistics = false;
  QString outputFile;        // empty: standard output
  bool inlineConfig = true;  // directives in comments count
  bool reportUnusedDisables = false;
  QString baseline;         // alerts to leave out, from a file
  bool noBaseline = false;  // leave out none, whatever the project file names
  QString writeBaseline;    // record the alerts in a file instead of reporting them
  QString configFile;       // the project file; empty: look for .vornel-scan
  bool noConfig = false;
  std::optional<textlines::LineEnds> lineEnds;  // none: the project file's, else auto
  // Rules, rows, codes and tables: --select replaces the project file's
  // choice, --extend-select and --ignore change it.
  std::optional<QStringList> select;
  QStringList extendSelect;
  QStringList ignore;
};

// What parsing the command line came to.
struct CliParse {
  enum class Outcome { Run, Help, Version, Error };
  Outcome outcome = Outcome::Run;
  CliOptions options;
  QString text;  // the help or version text, or what is wrong
};

CliParse parseCommandLine(const QStringList& arguments);
// "Usage: vornel-scan [options] PATH...", which follows what is wrong.
QString usageLine();
