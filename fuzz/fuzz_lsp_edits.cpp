// The language server's open script: after any edits in UTF-16 units, it
// must hold the text the editor holds, and check it as the editor saves it.

#include <cstdio>
#include <cstdlib>

#include "EditorEdits.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const QString difference = fuzzcheck::editorEditsDifference(
      QByteArrayView(reinterpret_cast<const char*>(data), qsizetype(size)));
  if (difference.isEmpty()) return 0;
  std::fprintf(stderr, "%s\n", qPrintable(difference));
  std::abort();
}
