#pragma once

#include <QString>

class QMimeData;

// The script a drag brings: the path of its one local file, when the "Open
// Script" dialog would show that file. Empty for anything else: several
// files, a file of another kind, a remote address, text.
QString droppedScript(const QMimeData* data);

// Whether a drag brings local files, scripts or not. Such a drag is for
// opening, never for inserting their names into the report as text.
bool bringsLocalFiles(const QMimeData* data);
