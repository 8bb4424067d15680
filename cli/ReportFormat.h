#pragma once

#include <memory>
#include <vector>

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

#include "Diagnostic.h"
#include "TableCheck.h"
#include "Tables.h"

// What every format may need to know of the run.
struct RunFacts {
  QString toolName;
  QString toolVersion;
  QString toolInformationUri;  // the project's home page
  const Tables* tables = nullptr;
  QString workingFolder;  // absolute, with no `/` at its end
  bool color = false;
  // The classic report of a single script, as the desktop program shows
  // it: lines without the script's path.
  bool singleScript = false;
  // The report goes to a terminal, where that report escapes its texts as
  // the line formats do; to a file or a pipe it is the desktop program's.
  bool terminal = false;
};

// One script as a format writes it, from its first line to its last. The
// thread that scans the script owns it.
struct ScriptReport {
  QString path;                 // as shown
  QByteArray pathText;          // as the format writes it, worked out once per script
  qint64 alerts = 0;            // alerts not silenced so far
  qint64 alertEntries = 0;      // table alerts a format has written, for separators
  QByteArray held;              // for formats that write some diagnostics at the script's end
  QHash<QByteArray, int> seen;  // for formats that tell equal alerts apart
};

struct ScriptFailure {
  QString path;
  QString reason;
};

// A table row that alerts hit, and how often.
struct RowHits {
  TableKind table;
  qsizetype row;
  qint64 count;     // alerts not silenced
  qint64 silenced;  // and silenced ones
  qint64 scripts;   // the scripts with an alert of it not silenced
};

struct RunTotals {
  qint64 scripts = 0;  // scripts read to their end
  qint64 scriptsWithAlerts = 0;
  qint64 alerts = 0;  // not silenced
  qint64 silenced = 0;
  qint64 directiveWarnings = 0;       // directives that silence nothing or name unknown codes
  qint64 scriptsWithLinesJoined = 0;  // told that their lines end in LF alone
  // Diagnostics not silenced that fail the run: errors; warnings of table
  // rows, joined lines and directives that silence nothing; no info.
  qint64 failing = 0;
  quint32 rules = 0;              // the rules other than table rows that gave diagnostics, by bit
  QList<ScriptFailure> failures;  // paths that could not be checked, in order
  std::vector<RowHits> hits;      // by table, then row
};

// A report format. The parts of one script are written by the thread that
// scans it, so they see nothing of other scripts; the runner puts the
// parts together in order and writes begin() before and end() after them.
class ReportFormat {
 public:
  virtual ~ReportFormat() = default;

  // Each script's part starts with a separator, which the first part
  // written must drop: the elements of one JSON array.
  virtual bool partsStartWithSeparator() const { return false; }
  // Written before anything else, as end() after everything.
  virtual void begin(QByteArray* out) const { Q_UNUSED(out); }
  virtual void openScript(ScriptReport* script, QByteArray* out) const {
    Q_UNUSED(script);
    Q_UNUSED(out);
  }
  // Whether the report carries diagnostics other than table alerts; those
  // of a format that does not are told on standard error instead.
  virtual bool carriesEveryRule() const { return true; }
  // Every diagnostic, silenced ones too: a format that shows no silenced
  // ones passes over them.
  virtual void diagnostic(const Diagnostic& alert, ScriptReport* script, QByteArray* out) const = 0;
  // `error` is the reason the script could not be read to its end, or empty.
  virtual void closeScript(const ScriptReport& script, qint64 lines, const QString& error,
                           QByteArray* out) const {
    Q_UNUSED(script);
    Q_UNUSED(lines);
    Q_UNUSED(error);
    Q_UNUSED(out);
  }
  // A path that could not be checked, in its place among the scripts.
  virtual void failure(const ScriptFailure& failure, QByteArray* out) const {
    Q_UNUSED(failure);
    Q_UNUSED(out);
  }
  virtual void end(const RunTotals& totals, QByteArray* out) const {
    Q_UNUSED(totals);
    Q_UNUSED(out);
  }

  // A check of the tables: its diagnostics, each naming its table file,
  // and the rows of the tables read. Unless the format says otherwise, the
  // whole report of a run whose scripts are the table files, each with its
  // diagnostics.
  virtual void tableCheck(const std::vector<Diagnostic>& found, const TableRowCounts& rows,
                          QByteArray* out) const;
};

// The format called `name`, or nullptr.
std::unique_ptr<ReportFormat> makeReportFormat(const QString& name, const RunFacts& facts);
QStringList reportFormatNames();
