#pragma once

#include <QString>

#include "HelperThread.h"
#include "InputFile.h"
#include "ReferenceTables.h"
#include "StatusText.h"

// Sets the start-of-work status text, then reads tags.txt and param.txt from
// `folder` into `tables` through `fileNumber1`, the parameters on `helper`
// at the same time. A table that cannot be read, or a line that is not
// exactly one record, stops the load: the result is false and `error` names
// the file, the line and the fault.
bool LoadReferenceTables(InputFile& fileNumber1, StatusText& status, const QString& folder,
                         ReferenceTables* tables, QString* error, HelperThread& helper);
