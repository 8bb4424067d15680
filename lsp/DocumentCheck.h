#pragma once

#include <atomic>

#include <QByteArray>
#include <QJsonArray>

#include "CheckSetup.h"

// One check of an open script: its LSP diagnostics, a warning for each
// alert that nothing silences (ranged over the quoted code) and for each
// comment that starts like a directive but is none, which vornel-scan
// would name on standard error.
struct DocumentCheck {
  QJsonArray diagnostics;
  bool stopped = false;  // `stop` was set before the check ended
};

// A script with more alerts than this gets this many, and a last
// diagnostic that tells how many there are: an editor is no place for a
// million squiggles, and the message would take more memory than the script.
inline constexpr qsizetype kMostDiagnostics = 10000;

// Checks `text` (UTF-8); reads `stop` as it goes and gives up once it is set.
DocumentCheck checkDocument(const CheckSetup& setup, const QByteArray& text,
                            const std::atomic<bool>& stop);
