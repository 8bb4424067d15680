#pragma once

#include <QByteArrayView>
#include <QString>

#include "Baseline.h"
#include "ScratchFiles.h"

// The baseline file parser: bytes in, a baseline or an error that names the
// file out. A baseline read is written, read back and written again: the two
// writings must be the same bytes and hold the same number of alerts.
// Returns what is wrong, or the empty text.
namespace fuzzcheck {

inline QString baselineProblem(QByteArrayView bytes) {
  const QString input = scratchFolder() + QStringLiteral("/input.json");
  if (!writeFile(input, bytes)) return QStringLiteral("cannot write ") + input;
  Baseline baseline;
  QString error;
  if (!baseline.read(input, &error)) {
    if (!error.startsWith(input + QStringLiteral(": ")) || error.size() <= input.size() + 2)
      return QStringLiteral("an error that does not name the file and what is wrong: ") + error;
    return {};
  }
  const QString first = scratchFolder() + QStringLiteral("/first.json");
  const QString second = scratchFolder() + QStringLiteral("/second.json");
  if (!baseline.write(first, &error)) return QStringLiteral("cannot write: ") + error;
  Baseline again;
  if (!again.read(first, &error)) return QStringLiteral("written, it does not read: ") + error;
  if (!again.write(second, &error)) return QStringLiteral("cannot write again: ") + error;
  if (readFile(first) != readFile(second)) return QStringLiteral("it changes when read back");
  if (again.alerts() != baseline.alerts()) return QStringLiteral("alerts lost when read back");
  return {};
}

}  // namespace fuzzcheck
