#pragma once

#include <QString>

// The fixed folder of tags.txt and param.txt: share/vornel-script-checker
// beside the program's own bin folder. It follows the executable only, never
// the working folder, the environment or a setting. Needs a QCoreApplication.
QString fixedTableFolder();
