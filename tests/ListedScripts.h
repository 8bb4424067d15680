#pragma once

#include <QStringList>

#include "ScriptWalk.h"

// A walk that meets the scripts named, in order, as files: for runs whose
// scripts come from a fake file system rather than a folder.
class ListedScripts : public ScriptEntries {
 public:
  explicit ListedScripts(QStringList paths) : paths_(std::move(paths)) {}
  bool next(ScriptEntry* entry) override {
    if (paths_.isEmpty()) return false;
    const QString path = paths_.takeFirst();
    *entry = ScriptEntry{path, path.toUtf8(), false, {}};
    return true;
  }

 private:
  QStringList paths_;
};
