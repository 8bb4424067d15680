#pragma once

#include <QString>

// The texts a scan shows the user.
namespace scantexts {

inline const QString kScriptFilter = QStringLiteral("Vornel Scripts (*.csm)|*.csm");
inline const QString kNoFileSelected =
    QStringLiteral("No File Selected\rSelect a Vornel Script file to Process");
inline const QString kProcessing = QStringLiteral("Processing...");
inline const QString kNoProblems = QStringLiteral("No problems found!");
inline const QString kScanComplete = QStringLiteral("Scan Complete");
inline const QString kCouldNotRead = QStringLiteral("Could not read the file");
inline const QString kScanFailed = QStringLiteral("Scan Failed");

// The status label names a long path by its first 60 characters and "...".
inline QString displayName(const QString& path) {
  constexpr qsizetype kShown = 60;
  return path.size() > kShown ? path.left(kShown) + QStringLiteral("...") : path;
}

inline QString fileLine(const QString& path) {
  return QStringLiteral("File ") + displayName(path) + QStringLiteral(" Selected");
}

}  // namespace scantexts
