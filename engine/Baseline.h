#pragma once

#include <QHash>
#include <QMap>
#include <QString>

#include "Diagnostic.h"

// The alerts a script base had when it was recorded, so that its old
// alerts do not stand in the way of new work. An alert is known by its
// script's path (relative to the baseline file's folder, with `/`), its
// table, code and normalised statement, not by its line, so that an edit
// above it does not bring it back; equal alerts are counted.
//
// A script's line-ends diagnostic, about the whole script, is known by its
// path and rule alone.
//
// The file is JSON, one entry a line, sorted:
//   {"version": 1, "alerts": [
//   {"path": "scripts/a.csm", "table": "params", "code": "zmod", "statement": "x=\"zmod\"",
//   "count": 2},
//   {"path": "scripts/b.csm", "rule": "line-ends", "count": 1},
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

  // Takes `counts`, by key, for the script at `path`.
  void add(const QString& path, const QHash<QString, qint64>& counts);
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

  QString folder_;
  QMap<QString, QMap<QString, qint64>> byPath_;  // path -> key -> count
};
