// The language server's framing decoder: the same bytes whole and cut into
// pieces must give the same messages and protocol errors.

#include <cstdio>
#include <cstdlib>

#include "MessageFraming.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const QString difference = fuzzcheck::framingDifference(
      QByteArrayView(reinterpret_cast<const char*>(data), qsizetype(size)));
  if (difference.isEmpty()) return 0;
  std::fprintf(stderr, "%s\n", qPrintable(difference));
  std::abort();
}
