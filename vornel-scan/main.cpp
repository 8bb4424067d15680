// vornel-scan: checks camera scripts against the reference tables, from the
// command line. The report goes to stdout (or --output), in one of several
// formats; errors and the summary go to stderr. Exit status 0 for no alert,
// 1 for alerts, 2 when something could not be checked or written.

#include <clocale>
#include <cstdio>

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QThread>

#include <unistd.h>

#include "Baseline.h"
#include "CliOptions.h"
#include "ConsoleMessages.h"
#include "DiskFileSystem.h"
#include "HelperThread.h"
#include "LanguageServerMain.h"
#include "NativePath.h"
#include "OutputTargets.h"
#include "ReportOutput.h"
#include "RunStatistics.h"
#include "ScanRun.h"
#include "ScriptName.h"
#include "ScriptScanner.h"
#include "SettingsSources.h"
#include "SystemText.h"
#include "TableFolder.h"
#include "TableLoader.h"
#include "TableTasks.h"

namespace {

constexpr int kNoAlerts = 0;
constexpr int kAlerts = 1;
constexpr int kCouldNotRun = 2;

void writeOut(const QString& text) {
  const QByteArray bytes = encodeSystemText(text);
  std::fwrite(bytes.constData(), 1, std::size_t(bytes.size()), stdout);
  std::fflush(stdout);
}

// Whether the report goes to a terminal.
bool reportsToTerminal(const CliOptions& options) {
  return options.outputFile.isEmpty() && ::isatty(STDOUT_FILENO);
}

bool wantsColor(const CliOptions& options) {
  switch (options.color) {
    case CliOptions::Color::Always:
      return true;
    case CliOptions::Color::Never:
      return false;
    case CliOptions::Color::Auto:
      break;
  }
  const QByteArray noColor = qgetenv("NO_COLOR");
  return reportsToTerminal(options) && noColor.isEmpty() && qgetenv("TERM") != "dumb";
}

// The classic report of one script is the desktop program's: no path before
// its lines, and its status on stderr. One the walk passes over leaves none,
// as the summary tells.
bool isSingleScript(const CliOptions& options, const ScriptWalk& walk) {
  if (options.format != QStringLiteral("classic") || options.paths.size() != 1) return false;
  const QString& path = options.paths.first();
  if (walk.passesOver(path)) return false;
  FolderEntry::Kind kind;
  QString error;
  return path == QStringLiteral("-") || !kindOfPath(encodeNativePath(path), &kind, &error) ||
         kind != FolderEntry::Kind::Folder;
}

// The first file of `reads` that an output would replace, as "<path>:
// <why>"; empty when there is none. `-` is standard input.
QString replacedRead(const OutputTargets& outputs, const QStringList& reads) {
  for (const QString& path : reads) {
    const bool input = path == QStringLiteral("-");
    const QString why =
        input ? outputs.refusalForStandardInput() : outputs.refusalFor(encodeNativePath(path));
    if (!why.isEmpty())
      return (input ? QStringLiteral("standard input") : path) + QStringLiteral(": ") + why;
  }
  return QString();
}

// The tables' folder as the user named it, so that the table tasks name
// its files as scripts are named: the command line's as typed; the project
// file's relative to the working folder when it lies below it, as a
// project's reports name its files; the installed one in full.
QString namedTableFolder(const CliOptions& options, const Settings& settings) {
  const QString& folder = settings.tablesFolder;
  if (!options.tablesFolder.isEmpty() || settings.project.tablesFolder.isEmpty()) return folder;
  const QString working = QDir::currentPath();
  if (folder == working) return QStringLiteral(".");
  return folder.startsWith(working + u'/') ? folder.sliced(working.size() + 1) : folder;
}

// What the run reports and at what severity: the project file's choice,
// then the command line's over it.
bool selectRules(const Tables& tables, const ProjectFile& project, const CliOptions& options,
                 RuleSelection* selection, QString* error, QStringList* warnings) {
  const auto named = [](const QStringList& names, const QString& option) {
    std::vector<RuleName> out;
    for (const QString& name : names) out.push_back({name, option});
    return out;
  };
  RuleChoice commandLine;
  if (options.select) commandLine.select = named(*options.select, QStringLiteral("--select"));
  commandLine.extendSelect = named(options.extendSelect, QStringLiteral("--extend-select"));
  commandLine.ignore = named(options.ignore, QStringLiteral("--ignore"));
  commandLine.ignoredBecause = QStringLiteral("ignored by --ignore");
  commandLine.unselectedBecause = QStringLiteral("not selected by --select");
  return RuleSelection::make(tables, {projectRuleChoice(project), commandLine},
                             projectSeverities(project), selection, error, warnings);
}

}  // namespace

int main(int argc, char** argv) {
  // Started only by a task worth a second thread (a large table or script):
  // a run of small ones starts no thread at all.
  HelperThread helper;
  // The locale as the application object would set it: the system's
  // messages in the user's language. The object itself, a tenth of a short
  // run's time, is made only for the language server, which needs its
  // event loop.
  std::setlocale(LC_ALL, "");

  // The arguments as given: a path need not be UTF-8.
  QStringList arguments;
  for (int i = 0; i < argc; ++i) arguments.append(decodeNativePath(argv[i]));
  const CliParse parse = parseCommandLine(arguments);
  switch (parse.outcome) {
    case CliParse::Outcome::Help:
      writeOut(parse.text);
      return kNoAlerts;
    case CliParse::Outcome::Version:
      writeOut(QStringLiteral("vornel-scan %1\n").arg(QStringLiteral(PROJECT_VERSION)));
      return kNoAlerts;
    case CliParse::Outcome::Error: {
      ConsoleMessages messages(false, false, false, false);
      messages.error(parse.text);
      messages.line(usageLine());
      return kCouldNotRun;
    }
    case CliParse::Outcome::Run:
      break;
  }
  CliOptions options = parse.options;
  ConsoleMessages errors(false, false, false, false);
  if (options.task == CliOptions::Task::LanguageServer) {
    // The editor's workspace, not the working folder, has the project file.
    const auto absolute = [](const QString& path) {
      return path.isEmpty() ? path : QFileInfo(path).absoluteFilePath();
    };
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("vornel-scan"));
    QCoreApplication::setApplicationVersion(QStringLiteral(PROJECT_VERSION));
    return runLanguageServer({absolute(options.tablesFolder), fixedTableFolder(),
                              absolute(options.configFile), options.noConfig, options.inlineConfig,
                              QStringLiteral(PROJECT_VERSION), options.lineEnds});
  }

  // The project's settings, which the command line's override.
  Settings settingsRead;
  QString problem;
  if (!resolveSettings({options.tablesFolder, options.configFile, options.noConfig, QString(),
                        fixedTableFolder(), options.lineEnds},
                       &settingsRead, &problem)) {
    errors.error(problem);
    return kCouldNotRun;
  }
  const ProjectFile& project = settingsRead.project;
  // A project's format is for its reports: a table task that cannot write
  // it writes its own default instead, while one asked for on the command
  // line is refused.
  if (!options.formatGiven && !project.format.isEmpty() && taskWrites(options.task, project.format))
    options.format = project.format;
  if (!taskWrites(options.task, options.format)) {
    errors.error(unfitFormat(options.task, options.format));
    return kCouldNotRun;
  }
  // --exclude's patterns are relative to the working folder, the project
  // file's to the file's folder, wherever the run starts.
  const Exclusions excludes =
      !options.excludes.empty() ? Exclusions(QDir::currentPath(), options.excludes)
      : !project.path.isEmpty()
          ? Exclusions(QFileInfo(project.path).absolutePath(), project.excludes)
          : Exclusions();
  // A baseline being written records every alert, so the project's, which
  // it may well be about to replace, silences none of them and is not read.
  const bool projectBaseline = options.baseline.isEmpty() && !options.noBaseline &&
                               options.writeBaseline.isEmpty() && !project.baseline.isEmpty();
  if (projectBaseline) options.baseline = project.baseline;

  DiskFileSystem files;
  const QString& folder = settingsRead.tablesFolder;
  // No output may replace a file the run reads. Scripts in folders are
  // looked at as the walk meets them; the report is written aside until
  // the end, so that nothing is written even then.
  OutputTargets outputs;
  if (!options.outputFile.isEmpty()) outputs.add(options.outputFile);
  if (!options.writeBaseline.isEmpty()) outputs.add(options.writeBaseline);
  if (!outputs.isEmpty()) {
    QStringList reads{tableFilePath(folder, QStringLiteral("tags.txt")),
                      tableFilePath(folder, QStringLiteral("param.txt")), project.path};
    if (options.task == CliOptions::Task::Check)
      reads += QStringList{options.baseline} + options.paths;
    reads.removeAll(QString());
    if (const QString refused = replacedRead(outputs, reads); !refused.isEmpty()) {
      errors.error(refused);
      return kCouldNotRun;
    }
  }
  ReportOutput output;
  if (!options.outputFile.isEmpty() && !output.openFile(options.outputFile)) {
    errors.error(output.error());
    return kCouldNotRun;
  }
  // Writes what is left of the report; a failure to write makes the exit status 2.
  auto finished = [&](int status) {
    if (!output.finish()) {
      errors.error(output.error());
      return kCouldNotRun;
    }
    return status;
  };
  RunFacts facts;
  facts.toolName = QStringLiteral("vornel-scan");
  facts.toolVersion = QStringLiteral(PROJECT_VERSION);
  facts.toolInformationUri = QStringLiteral(PROJECT_HOMEPAGE_URL);
  facts.workingFolder = QDir::currentPath();
  facts.color = wantsColor(options);
  facts.terminal = reportsToTerminal(options);
  const QString shownFolder = namedTableFolder(options, settingsRead);
  if (options.task == CliOptions::Task::CheckTables) {
    return finished(checkTablesTask(files, folder, shownFolder,
                                    *makeReportFormat(options.format, facts), output));
  }

  Tables tables;
  TableFault fault;
  const bool tablesTask = options.task != CliOptions::Task::Check;
  if (!loadTables(files, folder, &tables, &fault, &helper)) {
    if (tablesTask) fault.path = tableName(shownFolder, fault.path);
    errors.error(fault.message());
    return kCouldNotRun;
  }
  RuleSelection selection;
  QStringList warnings;
  if (options.task != CliOptions::Task::ListCodes &&
      !selectRules(tables, project, options, &selection, &problem, &warnings)) {
    errors.error(problem);
    return kCouldNotRun;
  }
  for (const QString& warning : warnings) errors.error(QStringLiteral("warning: ") + warning);
  if (tablesTask) {
    tables.tagsPath = tableName(shownFolder, tables.tagsPath);
    tables.paramsPath = tableName(shownFolder, tables.paramsPath);
    return finished(
        options.task == CliOptions::Task::ListCodes
            ? listCodesTask(tables, options.format, output)
            : explainTask(tables, selection, options.explainCode, options.format, output));
  }

  Baseline baseline;
  if (!options.baseline.isEmpty() && !baseline.read(options.baseline, &problem)) {
    // Most likely a project file set up before its baseline was written.
    FolderEntry::Kind kind;
    QString reason;
    if (projectBaseline && !kindOfPath(encodeNativePath(options.baseline), &kind, &reason)) {
      problem += QStringLiteral(
                     " (the baseline named by %1; --write-baseline writes it, "
                     "--no-baseline checks without it)")
                     .arg(project.path);
    }
    errors.error(problem);
    return kCouldNotRun;
  }
  Baseline recorded;
  if (!options.writeBaseline.isEmpty())
    recorded.setFolder(QFileInfo(options.writeBaseline).absolutePath());

  ScriptWalk walk(options.paths, options.standardInputName, excludes, options.forceExclude);
  walk.refuse(&outputs);
  walk.allowEmpty(options.allowEmpty);
  const bool singleScript = isSingleScript(options, walk);
  ConsoleMessages messages(singleScript && options.writeBaseline.isEmpty(), options.verbose,
                           options.quiet, ::isatty(STDERR_FILENO));
  facts.tables = &tables;
  facts.singleScript = singleScript;
  // The statistics name the table files as the table tasks do. In the json
  // format they are the report, as one document: a reader of it wants the
  // counts, not every alert again.
  const TableNames tableNames{tableName(shownFolder, tables.tagsPath),
                              tableName(shownFolder, tables.paramsPath)};
  const bool statisticsReport = options.statistics && options.format == QStringLiteral("json");
  const std::unique_ptr<ReportFormat> format = statisticsReport
                                                   ? makeStatisticsFormat(facts, tableNames)
                                                   : makeReportFormat(options.format, facts);

  const ScriptScanner scanner(tables);
  CheckSettings checkSettings;
  checkSettings.directives = options.inlineConfig;
  checkSettings.unusedDisables = options.reportUnusedDisables;
  checkSettings.rules = std::move(selection);
  checkSettings.baseline = options.baseline.isEmpty() ? nullptr : &baseline;
  checkSettings.lineEnds = settingsRead.lineEnds;
  checkSettings.tellLoneLineFeeds = true;
  checkSettings.recordJoinedLines = !options.writeBaseline.isEmpty();
  const ScriptCheck check(scanner, tables, checkSettings);
  RunSettings settings;
  settings.jobs = options.jobs > 0 ? options.jobs : qMax(1, QThread::idealThreadCount());
  settings.record = options.writeBaseline.isEmpty() ? nullptr : &recorded;
  if (settings.record) output.discard();
  // One thread at a time borrows the helper for a large script; with -j 1,
  // one thread it is.
  ScanRun run(check, *format, files, settings.jobs > 1 || singleScript ? &helper : nullptr,
              settings);
  const RunTotals totals = run.run(walk, output, messages);
  if (walk.metAnOutput()) {
    // The walk met a script that an output would replace, and told so;
    // neither the report nor the baseline is written.
    output.cancel();
    return kCouldNotRun;
  }
  const int status = finished(kNoAlerts);
  // A report that could not be written stopped the run where it failed: the
  // error is the last word, with no summary of a run cut short.
  if (status == kCouldNotRun && options.writeBaseline.isEmpty()) return kCouldNotRun;
  if (!options.writeBaseline.isEmpty()) {
    if (!recorded.write(options.writeBaseline, &problem)) {
      errors.error(problem);
      return kCouldNotRun;
    }
    if (!options.quiet) {
      errors.error(QStringLiteral("recorded %1 alerts in %2")
                       .arg(recorded.alerts())
                       .arg(options.writeBaseline));
    }
    return status == kCouldNotRun || !totals.failures.isEmpty() ? kCouldNotRun : kNoAlerts;
  }
  messages.summary(totals, walk.excludedAny());
  if (options.statistics && !statisticsReport) messages.statistics(totals, tables, tableNames);

  if (status == kCouldNotRun || !totals.failures.isEmpty()) return kCouldNotRun;
  return totals.failing > 0 && !options.exitZero ? kAlerts : kNoAlerts;
}
