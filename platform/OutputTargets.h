#pragma once

#include <vector>

#include <QByteArray>
#include <QString>

#include "FileIdentity.h"

// The files that a run's outputs would replace, so that no output is a
// file the run reads: an output renamed over such a file would lose it. A
// file is known by its identity, so that another name for it, a hard link
// or a link, is caught too. An output that is a device or a pipe, or a new
// name, replaces nothing.
class OutputTargets {
 public:
  // An output to `path`, as the user named it.
  void add(const QString& path);
  bool isEmpty() const { return outputs_.empty(); }

  // Why the file at `path` must not be read with these outputs, or the
  // empty text when it is none of their files. A path that leads nowhere
  // is none: its own read tells what is wrong with it.
  QString refusalFor(const QByteArray& path) const;
  QString refusalForStandardInput() const;

 private:
  QString refusalOf(const FileIdentity& read) const;

  struct Output {
    QString path;
    FileIdentity identity;
  };
  std::vector<Output> outputs_;
};
