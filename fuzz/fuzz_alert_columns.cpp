// Diagnostic columns against the raw line: an alert whose columns are not its
// code's quotation marks, or whose statement is not its line normalised,
// aborts.

#include <cstdio>
#include <cstdlib>

#include "AlertColumns.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const QString problem = fuzzcheck::alertColumnsProblem(
      QByteArrayView(reinterpret_cast<const char*>(data), qsizetype(size)));
  if (problem.isEmpty()) return 0;
  std::fprintf(stderr, "%s\n", qPrintable(problem));
  std::abort();
}
