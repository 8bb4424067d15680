#pragma once

#include <QString>

// The fixed folder of tags.txt and param.txt: share/vornel-script-checker
// beside the program's own bin folder. It follows the executable only, never
// the working folder, the environment or a setting.
QString fixedTableFolder();

// The absolute path of the table file `name` in `folder`. Worked out as
// text, so that a folder whose name is no UTF-8 keeps its bytes.
QString tableFilePath(const QString& folder, const QString& name);
