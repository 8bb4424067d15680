#pragma once

#include <QString>

class QMimeData;

// The script a drag brings: the path of its one local file, when the "Open
// Script" dialog would show that file. Empty for anything else: several
// files, a file of another kind, a remote address, text.
QString droppedScript(const QMimeData* data);
