// The table loader: tables, or a fault naming file, line and reason; loaded
// tables that break their invariants abort.

#include <cstdio>
#include <cstdlib>

#include "TableLoaderCheck.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const QString problem = fuzzcheck::tableLoaderProblem(
      QByteArrayView(reinterpret_cast<const char*>(data), qsizetype(size)));
  if (problem.isEmpty()) return 0;
  std::fprintf(stderr, "%s\n", qPrintable(problem));
  std::abort();
}
