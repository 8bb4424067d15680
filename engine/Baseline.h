#pragma once

#include <QHash>
#include <QMap>
#include <QString>

#include "Diagnostic.h"

struct JoinedLines;

// The alerts a script base had when it was recorded, so that its old
// alerts do not stand in the way of new work. An alert is known by its
// script's path (relative to the baseline file's folder, with `/`), its
// table, code and normalised statement, not by its line, so that an edit
// above it does not bring it back; equal alerts are counted.
//
// A script's line-ends diagnostic, about the whole script, is known by its
// path and rule, and recorded with what its joined lines hold (JoinedLines):
// how many lines were joined, and the alerts they give read with LF line
// ends. The joining may hide those alerts, so the diagnostic is silenced
// only while no more lines are joined and they give no alert that is not
// recorded with it: a baseline never hides an alert it did not record. An
// entry without them, as baselines written before them have, stands for
// any number of lines joined that give no alert.
//
// The file is JSON, one entry a line, sorted:
//   {"version": 1, "alerts": [
//   {"path": "scripts/a.csm", "table": "params", "code": "zmod", "statement": "x=\"zmod\"",
//   "count": 2},
//   {"path": "scripts/b.csm", "rule": "line-ends", "count": 1, "joined": 2, "joinedAlerts": [
//   {"table": "params", "code": "isoa", "statement": "y=\"isoa\"", "count": 1}]},
//   ...]}
class Baseline {
 public:
  // Reads `file`, which must be a file of at most 256 MiB. False with
  // `error` set, naming the file and the entry, when it cannot be read or
  // is not a baseline: never an empty baseline.
  bool read(const QString& file, QString* error);

  // How many of each alert of the script at `path` (as shown) it holds.
  QHash<QString, qint64> countsFor(const QString& path) const;
  // Whether a baseline records and silences diagnostics such as `d`.
  static bool holdsSuch(const Diagnostic& d);
  // The key an alert is counted by, within its script.
  static QString keyOf(const Diagnostic& alert);
  // The key of a script's line-ends diagnostic.
  static QString lineEndsKey();

  // Why the line-ends diagnostic of the script at `path`, whose joined
  // lines hold `now`, is not one the baseline records: more lines joined,
  // alerts in them it does not record, or what they hold not known. Empty
  // when it is.
  QString lineEndsBeyond(const QString& path, const JoinedLines& now) const;

  // Takes `counts`, by key, for the script at `path`, and with its
  // line-ends diagnostic, what its joined lines hold.
  void add(const QString& path, const QHash<QString, qint64>& counts,
           const JoinedLines* joined = nullptr);
  // Writes the baseline to `file` by OutputFile's rule: aside then renamed
  // into place, or directly to a device or a pipe. False with `error` set
  // when it cannot.
  bool write(const QString& file, QString* error) const;
  qint64 alerts() const;

  // The file's folder, which its paths are relative to; set by read() or
  // by the first write.
  void setFolder(const QString& folder) { folder_ = folder; }

 private:
  QString relative(const QString& path) const;

  // What a script's joined lines held when its line-ends diagnostic was
  // recorded; a script with the diagnostic and none of these holds no alert.
  struct Joined {
    qint64 lines = -1;  // -1: any number
    QMap<QString, qint64> alerts;
  };
  void addJoined(const QString& path, const Joined& joined);

  QString folder_;
  QMap<QString, QMap<QString, qint64>> byPath_;  // path -> key -> count
  QMap<QString, Joined> joinedByPath_;
};
