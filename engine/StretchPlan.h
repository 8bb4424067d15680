#pragma once

#include <vector>

#include <QString>
#include <QtGlobal>

#include "ByteSource.h"

// Where the stretches of a large script start: at 0, then at the first line
// start after each further `stretchBytes`, as long as a line starts there
// before the end. A stretch runs to the next one's start; the last to `size`.
// The starts are found with small reads at those offsets. False with `error`
// set when a read failed.
bool planStretches(ByteSource& source, qint64 size, qint64 stretchBytes,
                   std::vector<qint64>* starts, QString* error);
