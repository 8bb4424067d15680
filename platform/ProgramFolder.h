#pragma once

#include <QString>

// The folder of the running program's executable, links resolved, as
// QCoreApplication::applicationDirPath() gives it, but without the
// application object, whose set-up a short run cannot afford.
QString programFolder();
