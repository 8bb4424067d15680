// The project file parser: an error that does not name the file and a line of it aborts.

#include <cstdio>
#include <cstdlib>

#include "ProjectFileCheck.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const QString problem = fuzzcheck::projectFileProblem(
      QByteArrayView(reinterpret_cast<const char*>(data), qsizetype(size)));
  if (problem.isEmpty()) return 0;
  std::fprintf(stderr, "%s\n", qPrintable(problem));
  std::abort();
}
