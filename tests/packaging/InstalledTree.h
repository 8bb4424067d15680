#pragma once

#include <QString>
#include <QStringList>

#include "RunScan.h"

// Runs one of the system's tools, found on PATH.
ScanRunResult runTool(const QString& program, const QStringList& arguments);

// Checks of a tree laid out as an install under a prefix: the usr/ of an
// unpacked package, or a `cmake --install` prefix. Each reports through the
// QtTest macros, so a caller returns when QTest::currentTestFailed().

// Follows what the desktop follows: the desktop entry (validated) to its
// program and its icon at every size, the MIME definition that
// update-mime-database registers for *.csm to the desktop entry that
// update-desktop-database offers for it, the AppStream metainfo (validated)
// to its launchable, binaries and release; and the manual page of each
// program, the bash completion (as bash loads it), the copyright file and
// the tables.
void verifyInstalledTree(const QString& prefix);

// A bash with Debian's bash-completion, which loads the tree's completion
// by the command's name, completes a table code after --explain from the
// tables the tree's vornel-scan reads.
void verifyShellCompletes(const QString& usr);

// The installed vornel-scan checks the examples as the built one does, with
// the tables under its own prefix.
void verifyScanFindsItsTables(const QString& prefix);
