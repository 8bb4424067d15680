// The scanner against the plain reference search: any difference in alerts
// or line count aborts.

#include <cstdio>
#include <cstdlib>

#include "ScannerDifference.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const QString difference = fuzzcheck::scannerDifference(
      QByteArrayView(reinterpret_cast<const char*>(data), qsizetype(size)));
  if (difference.isEmpty()) return 0;
  std::fprintf(stderr, "%s\n", qPrintable(difference));
  std::abort();
}
