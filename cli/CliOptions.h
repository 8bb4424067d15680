#pragma once

#include <vector>

#include <QString>
#include <QStringList>

#include "GlobPattern.h"

// What the command line asks for.
struct CliOptions {
  enum class Color { Auto, Always, Never };

  QStringList paths;     // files, folders, and `-` for standard input
  QString tablesFolder;  // empty: the installed tables
  QString format = QStringLiteral("classic");
  int jobs = 0;  // 0: as many as the processors
  std::vector<GlobPattern> excludes;
  QString standardInputName = QStringLiteral("-");
  bool exitZero = false;
  Color color = Color::Auto;
  bool quiet = false;
  bool verbose = false;
  bool statistics = false;
  QString outputFile;  // empty: standard output
};

// What parsing the command line came to.
struct CliParse {
  enum class Outcome { Run, Help, Version, Error };
  Outcome outcome = Outcome::Run;
  CliOptions options;
  QString text;  // the help or version text, or what is wrong
};

CliParse parseCommandLine(const QStringList& arguments);
