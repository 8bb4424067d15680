#pragma once

#include <QString>

// The one name a script is shown under, in every report and message: the
// path as given, without its `.` segments and doubled slashes, so that
// `./shots/a.csm` and `shots//a.csm` read `shots/a.csm`. `..` and links
// stay: where a path leads through them depends on the disk, not on its
// text.
QString scriptName(const QString& path);

// The name of `entry`, found in the folder named `folder`.
QString scriptNameIn(const QString& folder, const QString& entry);

// The name the table file at `path` is shown under when its folder is
// named `folder`: as a script of that folder would be.
QString tableName(const QString& folder, const QString& path);
