// The baseline file parser: an error that does not name the file, or a baseline that changes when
// written and read back, aborts.

#include <cstdio>
#include <cstdlib>

#include "BaselineCheck.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const QString problem = fuzzcheck::baselineProblem(
      QByteArrayView(reinterpret_cast<const char*>(data), qsizetype(size)));
  if (problem.isEmpty()) return 0;
  std::fprintf(stderr, "%s\n", qPrintable(problem));
  std::abort();
}
