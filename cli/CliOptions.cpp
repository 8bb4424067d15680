#include "CliOptions.h"

#include <QCommandLineParser>

#include "ReportFormat.h"

namespace {

const QString kUsage = QStringLiteral("Usage: vornel-scan [options] PATH...");

CliParse failure(const QString& what) {
  CliParse parse;
  parse.outcome = CliParse::Outcome::Error;
  parse.text = what;
  return parse;
}

// The unknown options as they were typed: QCommandLineParser names them
// without their dashes, so `-x` and `--x` would read alike. A long option
// is one name, up to any `=`; a short one is a letter of a group such as
// `-xyz`, where an option that takes a value ends the group.
QStringList unknownAsTyped(const QCommandLineParser& parser, const QStringList& arguments) {
  const QStringList unknown = parser.unknownOptionNames();
  QStringList typed;
  qsizetype next = 0;  // of `unknown`, in the order they were met
  for (qsizetype i = 1; i < arguments.size() && next < unknown.size(); ++i) {
    const QString& argument = arguments[i];
    if (argument == QStringLiteral("--")) break;
    if (argument.startsWith(QStringLiteral("--"))) {
      if (argument.mid(2).section(u'=', 0, 0) == unknown[next])
        typed += QStringLiteral("--") + unknown[next++];
    } else if (argument.startsWith(u'-')) {
      for (qsizetype c = 1; c < argument.size() && next < unknown.size(); ++c) {
        if (QStringView(argument).sliced(c, 1) == unknown[next])
          typed += QStringLiteral("-") + unknown[next++];
      }
    }
  }
  // Names this walk did not find stay as the parser gave them.
  for (; next < unknown.size(); ++next) typed += unknown[next];
  return typed;
}

}  // namespace

QString usageLine() {
  return kUsage;
}

CliParse parseCommandLine(const QStringList& arguments) {
  QCommandLineParser parser;
  parser.setApplicationDescription(QStringLiteral(
      "Checks Vornel camera scripts for codes listed in the reference tables.\n"
      "A folder is searched for *.csm scripts; - reads one script from standard input.\n"
      "Exit status: 0 no alert, 1 alerts, 2 something could not be checked or written."));
  const QCommandLineOption help = parser.addHelpOption();
  const QCommandLineOption version = parser.addVersionOption();
  const QCommandLineOption tables(
      QStringLiteral("tables"),
      QStringLiteral("Read tags.txt and param.txt from <dir> instead of the installed tables."),
      QStringLiteral("dir"));
  const QCommandLineOption format(QStringLiteral("format"),
                                  QStringLiteral("Report format: %1 (default classic).")
                                      .arg(reportFormatNames().join(QStringLiteral(", "))),
                                  QStringLiteral("name"), QStringLiteral("classic"));
  const QCommandLineOption jobs(
      {QStringLiteral("j"), QStringLiteral("jobs")},
      QStringLiteral("Check <n> scripts at once (default: as many as there are processors)."),
      QStringLiteral("n"));
  const QCommandLineOption exclude(
      QStringLiteral("exclude"),
      QStringLiteral("Pass over files and folders that <glob> matches: its name, or with a / in "
                     "it, its path from the working folder. May be given again."),
      QStringLiteral("glob"));
  const QCommandLineOption forceExclude(
      QStringLiteral("force-exclude"),
      QStringLiteral("Pass over the excluded scripts and folders named on the command line too, "
                     "as the pre-commit hook does."));
  const QCommandLineOption allowEmpty(
      QStringLiteral("allow-empty"),
      QStringLiteral("A folder named in which no script is found is no error."));
  const QCommandLineOption stdinName(
      QStringLiteral("stdin-filename"),
      QStringLiteral("The name the report gives the script read from standard input."),
      QStringLiteral("name"));
  const QCommandLineOption exitZero(QStringLiteral("exit-zero"),
                                    QStringLiteral("Exit 0 even when there are alerts."));
  const QCommandLineOption color(
      QStringLiteral("color"),
      QStringLiteral("Colour the classic and gcc formats: auto (on a terminal, unless NO_COLOR "
                     "is set or TERM is dumb), always or never."),
      QStringLiteral("when"), QStringLiteral("auto"));
  const QCommandLineOption quiet({QStringLiteral("q"), QStringLiteral("quiet")},
                                 QStringLiteral("Report alerts and errors only."));
  // -v stays --version, as it has always been.
  const QCommandLineOption verbose(QStringLiteral("verbose"),
                                   QStringLiteral("Tell the status of every script checked."));
  const QCommandLineOption statistics(
      QStringLiteral("statistics"),
      QStringLiteral("End with the alerts and scripts for each code, most alerts first, and the "
                     "table rows no script hit; with --format json, write them instead of the "
                     "report."));
  const QCommandLineOption output(
      {QStringLiteral("o"), QStringLiteral("output")},
      QStringLiteral("Write the report to <file>, which appears whole or not at all."),
      QStringLiteral("file"));
  const QCommandLineOption checkTables(
      QStringLiteral("check-tables"),
      QStringLiteral("Check the tables for rows that can never match or are shadowed, instead of "
                     "checking scripts."));
  const QCommandLineOption listCodes(QStringLiteral("list-codes"),
                                     QStringLiteral("List every code of the tables."));
  const QCommandLineOption explain(
      QStringLiteral("explain"), QStringLiteral("Show the table rows of <name> (a code, or a row such as "
                     "params/zmod) with their notes, or the rule <name>; and the severity in "
                     "force."),
      QStringLiteral("name"));
  const QCommandLineOption noInlineConfig(
      QStringLiteral("no-inline-config"),
      QStringLiteral("Ignore the vornel-scan: directives in scripts' comments."));
  const QCommandLineOption reportUnused(
      QStringLiteral("report-unused-disables"),
      QStringLiteral("Warn about directives that silence nothing or name a code no table lists; "
                     "they count as alerts for the exit status."));
  const QCommandLineOption baseline(
      QStringLiteral("baseline"),
      QStringLiteral("Report only the alerts beyond those recorded in <file>."),
      QStringLiteral("file"));
  const QCommandLineOption noBaseline(
      QStringLiteral("no-baseline"),
      QStringLiteral("Report every alert, whatever baseline the project file names."));
  const QCommandLineOption writeBaseline(
      QStringLiteral("write-baseline"),
      QStringLiteral("Record the alerts in <file> instead of reporting them: every one, "
                     "whatever baseline the project file names, which <file> may replace."),
      QStringLiteral("file"));
  const QCommandLineOption config(
      QStringLiteral("config"),
      QStringLiteral("Read the project settings from <file> instead of the .vornel-scan found in "
                     "the working folder or above it."),
      QStringLiteral("file"));
  const QCommandLineOption noConfig(QStringLiteral("no-config"),
                                    QStringLiteral("Read no project settings."));
  const QCommandLineOption lineEnds(
      QStringLiteral("line-ends"),
      QStringLiteral("Which bytes end a line: auto, as the file's first line end says "
                     "(default); crlf, CR or CR LF only, a lone LF staying in its line and told "
                     "of; or any, a lone LF too."),
      QStringLiteral("auto|crlf|any"));
  const QCommandLineOption select(
      QStringLiteral("select"),
      QStringLiteral("Report only what <names> name, in place of the project file's choice: "
                     "rules (line-ends), rows (params/zmod), codes (zmod) and tables (tags/), "
                     "separated by commas. May be given again."),
      QStringLiteral("names"));
  const QCommandLineOption extendSelect(
      QStringLiteral("extend-select"),
      QStringLiteral("Report what <names> name as well as what is selected."),
      QStringLiteral("names"));
  const QCommandLineOption ignore(
      QStringLiteral("ignore"),
      QStringLiteral("Do not report what <names> name; the more specific name wins."),
      QStringLiteral("names"));
  const QCommandLineOption lsp(
      QStringLiteral("lsp"),
      QStringLiteral("Serve an editor as a language server (LSP) on standard input and output."));
  for (const QCommandLineOption& option :
       {tables,    format,   jobs,           exclude,      forceExclude, allowEmpty, stdinName,
        exitZero,  color,    quiet,          verbose,      statistics,   output,     checkTables,
        listCodes, explain,  noInlineConfig, reportUnused, baseline,     noBaseline, writeBaseline,
        config,    noConfig, lineEnds,       select,       extendSelect, ignore,     lsp}) {
    parser.addOption(option);
  }
  parser.addPositionalArgument(
      QStringLiteral("PATH"),
      QStringLiteral("Scripts, folders to search for *.csm scripts, or - for standard input."),
      QStringLiteral("PATH..."));

  if (!parser.parse(arguments)) {
    const QStringList unknown = unknownAsTyped(parser, arguments);
    if (unknown.size() == 1) return failure(QStringLiteral("unknown option '%1'").arg(unknown[0]));
    if (unknown.size() > 1)
      return failure(
          QStringLiteral("unknown options '%1'").arg(unknown.join(QStringLiteral("', '"))));
    return failure(parser.errorText());
  }
  CliParse parse;
  // --help-all, which Qt adds, would add Qt's own options: this program has none.
  if (parser.isSet(help) || parser.isSet(QStringLiteral("help-all"))) {
    parse.outcome = CliParse::Outcome::Help;
    // Qt's usage line names the program by the path it was started by.
    parse.text = parser.helpText();
    parse.text.replace(0, parse.text.indexOf(u'\n'), kUsage);
    return parse;
  }
  if (parser.isSet(version)) {
    parse.outcome = CliParse::Outcome::Version;
    return parse;
  }

  CliOptions& o = parse.options;
  o.paths = parser.positionalArguments();
  const int tasks = int(parser.isSet(checkTables)) + int(parser.isSet(listCodes)) +
                    int(parser.isSet(explain)) + int(parser.isSet(lsp));
  if (tasks > 1) {
    return failure(
        QStringLiteral("--check-tables, --list-codes, --explain and --lsp go one at a time"));
  }
  if (parser.isSet(lsp)) o.task = CliOptions::Task::LanguageServer;
  if (parser.isSet(checkTables)) o.task = CliOptions::Task::CheckTables;
  if (parser.isSet(listCodes)) o.task = CliOptions::Task::ListCodes;
  if (parser.isSet(explain)) {
    o.task = CliOptions::Task::Explain;
    o.explainCode = parser.value(explain);
  }
  if (o.task == CliOptions::Task::LanguageServer && !o.paths.isEmpty())
    return failure(QStringLiteral("--lsp takes no script or folder: the editor sends them"));
  // The server reports to the editor and reads the rest of its settings
  // from the project file: an option of a scan would be passed over, and an
  // editor would show what the user thought it left out.
  if (o.task == CliOptions::Task::LanguageServer) {
    for (const QCommandLineOption* option :
         {&format, &jobs, &exclude, &forceExclude, &allowEmpty, &stdinName, &exitZero, &color,
          &quiet, &verbose, &statistics, &output, &reportUnused, &baseline, &noBaseline,
          &writeBaseline, &select, &extendSelect, &ignore}) {
      if (parser.isSet(*option))
        return failure(QStringLiteral("--lsp does not take --%1").arg(option->names().constLast()));
    }
  }
  if (o.task != CliOptions::Task::Check && !o.paths.isEmpty())
    return failure(QStringLiteral("a table task takes no script or folder"));
  if (o.task == CliOptions::Task::Check && o.paths.isEmpty())
    return failure(QStringLiteral("no script or folder to check"));
  if (o.paths.count(QStringLiteral("-")) > 1)
    return failure(QStringLiteral("standard input (-) can be read only once"));
  if (o.paths.contains(QString())) return failure(QStringLiteral("an empty path"));
  o.tablesFolder = parser.value(tables);
  if (parser.isSet(tables) && o.tablesFolder.isEmpty())
    return failure(QStringLiteral("--tables needs a folder"));
  o.format = parser.value(format);
  o.formatGiven = parser.isSet(format);
  if (!reportFormatNames().contains(o.format)) {
    return failure(QStringLiteral("unknown format '%1' (known: %2)")
                       .arg(o.format, reportFormatNames().join(QStringLiteral(", "))));
  }
  if (parser.isSet(jobs)) {
    bool ok = false;
    o.jobs = parser.value(jobs).toInt(&ok);
    if (!ok || o.jobs < 1 || o.jobs > 1024)
      return failure(
          QStringLiteral("-j needs a number from 1 to 1024, not '%1'").arg(parser.value(jobs)));
  }
  for (const QString& glob : parser.values(exclude)) {
    if (glob.isEmpty()) return failure(QStringLiteral("--exclude needs a pattern"));
    o.excludes.emplace_back(glob);
  }
  o.forceExclude = parser.isSet(forceExclude);
  o.allowEmpty = parser.isSet(allowEmpty);
  if (parser.isSet(stdinName)) o.standardInputName = parser.value(stdinName);
  o.exitZero = parser.isSet(exitZero);
  const QString when = parser.value(color);
  if (when == QStringLiteral("always")) {
    o.color = CliOptions::Color::Always;
  } else if (when == QStringLiteral("never")) {
    o.color = CliOptions::Color::Never;
  } else if (when != QStringLiteral("auto")) {
    return failure(QStringLiteral("--color takes auto, always or never, not '%1'").arg(when));
  }
  o.quiet = parser.isSet(quiet);
  o.verbose = parser.isSet(verbose);
  if (o.quiet && o.verbose)
    return failure(QStringLiteral("--quiet and --verbose do not go together"));
  o.statistics = parser.isSet(statistics);
  o.outputFile = parser.value(output);
  if (parser.isSet(output) && o.outputFile.isEmpty())
    return failure(QStringLiteral("--output needs a file"));
  o.inlineConfig = !parser.isSet(noInlineConfig);
  o.reportUnusedDisables = parser.isSet(reportUnused);
  o.baseline = parser.value(baseline);
  o.writeBaseline = parser.value(writeBaseline);
  for (const auto& [option, value] :
       {std::pair{&baseline, o.baseline}, std::pair{&writeBaseline, o.writeBaseline},
        std::pair{&config, parser.value(config)}}) {
    if (parser.isSet(*option) && value.isEmpty())
      return failure(QStringLiteral("--%1 needs a file").arg(option->names().constFirst()));
  }
  // A baseline being written records every alert: one that silenced some
  // of them would leave them out of it.
  if (!o.baseline.isEmpty() && !o.writeBaseline.isEmpty())
    return failure(QStringLiteral("--baseline and --write-baseline do not go together"));
  // A run that records its alerts reports none: a report file would be
  // written without them, and what it held before lost; asked-for
  // statistics would silently not come.
  if (!o.outputFile.isEmpty() && !o.writeBaseline.isEmpty())
    return failure(QStringLiteral("--output and --write-baseline do not go together"));
  if (o.statistics && !o.writeBaseline.isEmpty())
    return failure(QStringLiteral("--statistics and --write-baseline do not go together"));
  o.noBaseline = parser.isSet(noBaseline);
  if (o.noBaseline && !o.baseline.isEmpty())
    return failure(QStringLiteral("--baseline and --no-baseline do not go together"));
  if (parser.isSet(lineEnds)) {
    textlines::LineEnds value;
    if (!textlines::lineEndsNamed(parser.value(lineEnds), &value))
      return failure(QStringLiteral("--line-ends takes auto, crlf or any, not '%1'")
                         .arg(parser.value(lineEnds)));
    o.lineEnds = value;
  }
  for (const auto& [option, names] :
       {std::pair{&select, &o.select.emplace()}, std::pair{&extendSelect, &o.extendSelect},
        std::pair{&ignore, &o.ignore}}) {
    for (const QString& value : parser.values(*option)) {
      for (const QString& name : value.split(u',')) {
        if (!name.trimmed().isEmpty()) names->append(name.trimmed());
      }
    }
  }
  if (!parser.isSet(select)) o.select.reset();
  o.configFile = parser.value(config);
  o.noConfig = parser.isSet(noConfig);
  if (o.noConfig && !o.configFile.isEmpty())
    return failure(QStringLiteral("--config and --no-config do not go together"));
  return parse;
}
