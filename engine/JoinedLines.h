#pragma once

#include <QHash>
#include <QString>
#include <QtGlobal>

#include "ByteSource.h"

class ScriptScanner;

// What the lines of a script that its lone LFs join would hold, read with
// LF line ends: the joining may hide their alerts (a comment runs on over
// the lines joined to it), so a baseline that records a line-ends warning
// records this with it, and silences the warning only while the joined
// lines hold no more.
struct JoinedLines {
  qint64 joined = 0;  // lines joined into the lines before them
  // Whether `alerts` was read: a stream cannot be read a second time.
  bool alertsKnown = false;
  // The table alerts of the joined lines read with LF line ends, counted by
  // their baseline key.
  QHash<QString, qint64> alerts;
};

// Reads `script`, which has a size, again, to find the alerts its joined
// lines give when read with LF line ends, into `held`. False with `error`
// set when a read fails.
bool readJoinedLines(ByteSource& script, const ScriptScanner& scanner, JoinedLines* held,
                     QString* error);
