#pragma once

#include <vector>

#include <QByteArray>
#include <QSet>
#include <QString>
#include <QStringList>

#include "Exclusions.h"
#include "FileIdentity.h"
#include "FolderListing.h"
#include "OutputTargets.h"

// One script to check, or a path that could not be walked.
struct ScriptEntry {
  QString path;           // as shown in the report: its scriptName()
  QByteArray nativePath;  // as the system knows it; empty for standard input
  bool standardInput = false;
  QString error;            // why the path cannot be checked, or empty
  bool listedFile = false;  // found a file in a folder's listing a moment ago
  // A link to a script that cannot be followed, passed over: `error` tells
  // why. It is no failure of the run.
  bool brokenLink = false;
};

// Where a run takes its scripts from, one at a time, in the report's order.
class ScriptEntries {
 public:
  virtual ~ScriptEntries() = default;
  // The next script or failed path; false when there is none.
  virtual bool next(ScriptEntry* entry) = 0;
};

// The scripts that the paths on the command line name, in a stable order:
// the paths in the order given, and inside a folder every `*.csm` file
// (any case) below it, sorted by path. Hidden folders and links to folders
// are passed over, and so is what `excludes` matches below a path named;
// so is a script's link that cannot be followed, yielded as a broken link
// to be told of. One folder is listed at a time, as the walk reaches it.
// Paths are shown by their scriptName().
//
// A file named again, by any name, is yielded once, under the first: a
// pipe has no second reading, and a second open of one would wait for a
// writer that has gone. A folder named in which the walk finds no script,
// nor any path that fails, nor anything the exclusions pass over, is
// yielded as a failure of its own, unless empty folders are allowed: a
// mistyped folder must not pass for a clean one, while a script excluded
// gets one answer however it comes, named by a hook or below a folder.
class ScriptWalk : public ScriptEntries {
 public:
  // `-` among `paths` is standard input, shown as `standardInputName`.
  // With `forceExclude` a path named, and standard input by its name, is
  // passed over too when `excludes` matches it or a folder on its way:
  // what is named gets the answer it would get below a folder named.
  ScriptWalk(QStringList paths, QString standardInputName, Exclusions excludes,
             bool forceExclude = false);

  bool next(ScriptEntry* entry) override;
  // Whether a path named (`-` for standard input) is passed over.
  bool passesOver(const QString& given) const;
  // Whether a folder named in which nothing is found is no failure.
  void allowEmpty(bool allowed) { allowEmpty_ = allowed; }
  // Whether the exclusions passed over anything, named or found.
  bool excludedAny() const { return excludedAny_; }

  // A script found in a folder that is the file of one of `outputs` is
  // yielded as a failure, and the walk ends there: the run is to write
  // nothing. The paths named are looked at before the walk starts.
  void refuse(const OutputTargets* outputs) { outputs_ = outputs; }
  // Whether the walk met such a script.
  bool metAnOutput() const { return metAnOutput_; }

 private:
  struct Folder {
    QString path;  // as shown
    QByteArray native;
    QString relative;  // as `excludes_` sees it
    std::vector<FolderEntry> entries;
    std::size_t next = 0;
  };
  // Lists `folder` and goes into it; false with the reason when it cannot.
  bool enter(Folder folder, QString* error);
  // Whether a file named has been yielded already, by this name or
  // another; notes it when not.
  bool namedBefore(const FileIdentity& file);

  QStringList paths_;
  qsizetype nextPath_ = 0;
  QString standardInputName_;
  Exclusions excludes_;
  bool forceExclude_;
  std::vector<Folder> folders_;  // the folders being walked, innermost last
  bool allowEmpty_ = false;
  bool excludedAny_ = false;
  // The folder named being walked, should it hold nothing, and whether
  // anything was met in it: a script or path yielded, or one excluded.
  ScriptEntry named_;
  bool namedHeldSome_ = false;
  QSet<std::pair<quint64, quint64>> namedFiles_;  // the files named, by device and inode
  const OutputTargets* outputs_ = nullptr;
  bool metAnOutput_ = false;
};
