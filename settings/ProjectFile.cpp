#include "ProjectFile.h"

#include <algorithm>

#include <QDir>
#include <QFileInfo>

#include "DiskFileSystem.h"
#include "FormatNames.h"
#include "SystemText.h"
#include "WholeFile.h"

namespace {

const QString kFileName = QStringLiteral(".vornel-scan");
// A few lines of settings take far less.
constexpr qint64 kMostBytes = qint64(1) << 20;

}  // namespace

bool readProjectFile(const QString& path, ProjectFile* project, QString* error) {
  *project = ProjectFile{};
  project->path = path;
  DiskFileSystem disk;
  QByteArray bytes;
  QString reason;
  if (!readWhole(disk, path, kMostBytes, &bytes, &reason)) {
    *error = path + QStringLiteral(": ") + reason;
    return false;
  }
  const QDir folder = QFileInfo(path).absoluteDir();
  const auto resolved = [&](const QString& value) {
    return QDir::cleanPath(folder.absoluteFilePath(value));
  };
  const QList<QByteArray> lines = bytes.split('\n');
  for (qsizetype i = 0; i < lines.size(); ++i) {
    QString line = decodeSystemText(lines[i]);
    if (line.endsWith(u'\r')) line.chop(1);
    const qsizetype hash = line.indexOf(u'#');
    if (hash >= 0) line.truncate(hash);
    line = line.trimmed();
    if (line.isEmpty()) continue;
    const auto bad = [&](const QString& what) {
      *error = QStringLiteral("%1:%2: %3").arg(path).arg(i + 1).arg(what);
      return false;
    };
    const qsizetype equals = line.indexOf(u'=');
    if (equals < 0) return bad(QStringLiteral("expected key = value"));
    const QString key = line.first(equals).trimmed();
    const QString value = line.sliced(equals + 1).trimmed();
    if (value.isEmpty()) return bad(QStringLiteral("'%1' needs a value").arg(key));
    if (key == QStringLiteral("tables")) {
      project->tablesFolder = resolved(value);
    } else if (key == QStringLiteral("exclude")) {
      project->excludes.emplace_back(value);
    } else if (key == QStringLiteral("format")) {
      if (std::find(kReportFormatNames.begin(), kReportFormatNames.end(),
                    std::string_view(value.toUtf8().constData())) == kReportFormatNames.end())
        return bad(QStringLiteral("unknown format '%1'").arg(value));
      project->format = value;
    } else if (key == QStringLiteral("select") || key == QStringLiteral("ignore") ||
               key == QStringLiteral("disable")) {
      if (key == QStringLiteral("select") && !project->select) project->select.emplace();
      std::vector<ProjectFile::Named>& names =
          key == QStringLiteral("select") ? *project->select : project->ignore;
      for (const QString& name : value.split(u',')) {
        if (!name.trimmed().isEmpty()) names.push_back({name.trimmed(), i + 1, QString()});
      }
    } else if (key == QStringLiteral("severity")) {
      for (const QString& entry : value.split(u',')) {
        if (entry.trimmed().isEmpty()) continue;
        // A code may hold a colon; a severity does not.
        const qsizetype colon = entry.lastIndexOf(u':');
        const QString name = entry.first(qMax<qsizetype>(colon, 0)).trimmed();
        const QString severity = entry.sliced(colon + 1).trimmed();
        if (colon < 0 || name.isEmpty() ||
            (severity != QStringLiteral("error") && severity != QStringLiteral("warning") &&
             severity != QStringLiteral("info")))
          return bad(QStringLiteral("severity takes NAME:error, NAME:warning or NAME:info, "
                                    "not '%1'")
                         .arg(entry.trimmed()));
        project->severities.push_back({name, i + 1, severity});
      }
    } else if (key == QStringLiteral("baseline")) {
      project->baseline = resolved(value);
    } else if (key == QStringLiteral("line-ends")) {
      textlines::LineEnds lineEnds;
      if (!textlines::lineEndsNamed(value, &lineEnds))
        return bad(QStringLiteral("line-ends takes auto, crlf or any, not '%1'").arg(value));
      project->lineEnds = lineEnds;
    } else {
      return bad(QStringLiteral("unknown key '%1' (known: tables, exclude, format, select, "
                                "ignore, disable, severity, baseline, line-ends)")
                     .arg(key));
    }
  }
  return true;
}

bool findProjectFile(ProjectFile* project, QString* error) {
  return findProjectFileFrom(QDir::currentPath(), project, error);
}

bool findProjectFileFrom(const QString& start, ProjectFile* project, QString* error) {
  *project = ProjectFile{};
  for (QDir folder(start);;) {
    const QString candidate = folder.absoluteFilePath(kFileName);
    // One that is not a file, a pipe say, is refused rather than passed over.
    if (const QFileInfo found(candidate); found.exists() && !found.isDir())
      return readProjectFile(candidate, project, error);
    if (folder.exists(QStringLiteral(".git")) || !folder.cdUp()) return true;
  }
}
