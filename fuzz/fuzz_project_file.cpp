// The project file parser: bytes in, settings or an error "<file>:<line>:
// <what>" naming a line of the file out. The exclusions it reads are
// matched against a few paths, so that any pattern text compiles and runs.

#include <cstdio>
#include <cstdlib>

#include <QFile>
#include <QTemporaryDir>

#include "ProjectFile.h"

namespace {

[[noreturn]] void fail(const char* what, const QString& detail) {
  std::fprintf(stderr, "%s: %s\n", what, qPrintable(detail));
  std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral(".vornel-scan"));
  const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
  {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
      fail("cannot write", path);
  }
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
      fail("an error that does not name the file, a line of it and what is wrong", error);
    return 0;
  }
  for (const GlobPattern& pattern : project.excludes) {
    for (const QString& candidate : {QStringLiteral("a.csm"), QStringLiteral("vendor/x/b.csm"),
                                     QStringLiteral("[x]/*?.gen.CSM"), QString()})
      pattern.matches(candidate);
  }
  return 0;
}
