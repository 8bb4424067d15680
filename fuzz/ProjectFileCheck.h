#pragma once

#include <QByteArrayView>
#include <QString>

#include "Exclusions.h"
#include "ProjectFile.h"
#include "ScratchFiles.h"

// The project file parser: bytes in, settings or an error "<file>:<line>:
// <what>" naming a line of the file out. The exclusions it reads are matched
// against a few paths, in the file's folder and out of it, so that any
// pattern text compiles and runs. Returns what is wrong, or the empty text.
namespace fuzzcheck {

inline QString projectFileProblem(QByteArrayView bytes) {
  const QString path = scratchFolder() + QStringLiteral("/.vornel-scan");
  if (!writeFile(path, bytes)) return QStringLiteral("cannot write ") + path;
  ProjectFile project;
  QString error;
  if (!readProjectFile(path, &project, &error)) {
    const QString prefix = path + u':';
    const qsizetype colon = error.indexOf(u':', prefix.size());
    bool number = false;
    const qint64 line = error.startsWith(prefix) && colon > 0
                            ? error.sliced(prefix.size(), colon - prefix.size()).toLongLong(&number)
                            : 0;
    if (!number || line < 1 || line > bytes.count('\n') + 1 || error.size() <= colon + 2)
      return QStringLiteral(
                 "an error that does not name the file, a line of it and what is "
                 "wrong: ") +
             error;
    return {};
  }
  const Exclusions excludes(scratchFolder(), project.excludes);
  for (const QString& candidate :
       {QStringLiteral("a.csm"), QStringLiteral("vendor/x/b.csm"), QStringLiteral("[x]/*?.gen.CSM"),
        QStringLiteral("../../up/c.csm"), QString()})
    excludes.excludes(scratchFolder() + u'/' + candidate);
  excludes.excludes(QStringLiteral("/d.csm"));
  return {};
}

}  // namespace fuzzcheck
