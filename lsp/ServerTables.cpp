#include "ServerTables.h"

#include <QDir>
#include <QFileInfo>

#include "DiskFileSystem.h"
#include "SettingsSources.h"
#include "TableFolder.h"
#include "TableLoader.h"

namespace {

// Long enough for an editor's save (write aside, rename) to be over.
constexpr int kReloadDelayMilliseconds = 100;

const QString kTags = QStringLiteral("tags.txt");
const QString kParams = QStringLiteral("param.txt");
const QString kProject = QStringLiteral(".vornel-scan");

}  // namespace

ServerTables::ServerTables(ServerSettings settings, Changed changed, Failed failed)
    : settings_(std::move(settings)),
      changed_(std::move(changed)),
      failed_(std::move(failed)),
      watched_([this] { reloadSoon(); }) {
  reloadTimer_.setSingleShot(true);
  QObject::connect(&reloadTimer_, &QTimer::timeout, [this] { reload(); });
}

bool ServerTables::mayConcern(const QString& path) {
  const QString name = QFileInfo(path).fileName();
  return name == kTags || name == kParams || name == kProject;
}

void ServerTables::load(const QString& workspace) {
  workspace_ = workspace;
  reload();
}

void ServerTables::reloadSoon() {
  reloadTimer_.start(kReloadDelayMilliseconds);
}

void ServerTables::readThrough(EditorTableFiles* files, std::function<void()> read) {
  editorFiles_ = files;
  read_ = std::move(read);
}

void ServerTables::reload() {
  readTables();
  if (read_) read_();
}

void ServerTables::readTables() {
  Settings read;
  QString problem;
  if (!resolveSettings({settings_.tablesFolder, settings_.configFile, settings_.noConfig,
                        workspace_, settings_.installedTables, settings_.lineEnds},
                       &read, &problem)) {
    watched_.watch(projectFileCandidates(read.project.path));
    fail(problem);
    return;
  }
  const ProjectFile& project = read.project;
  const QString& folder = read.tablesFolder;
  folder_ = tableFilePath(folder, QString());
  const QDir dir(folder);
  watched_.watch(projectFileCandidates(project.path) +
                 QStringList{dir.absoluteFilePath(kTags), dir.absoluteFilePath(kParams)});
  DiskFileSystem disk;
  Tables tables;
  TableFault fault;
  if (!loadTables(editorFiles_ ? static_cast<FileSystem&>(*editorFiles_) : disk, folder, &tables,
                  &fault)) {
    if (!editorFiles_ || !editorFiles_->serves(fault.path)) fail(fault.message());
    return;
  }
  CheckSettings check;
  // A name the tables do not know leaves the last good setup in use, as a
  // bad line of the project file does.
  QStringList warnings;
  if (!RuleSelection::make(tables, {projectRuleChoice(project)}, projectSeverities(project),
                           &check.rules, &problem, &warnings)) {
    fail(problem);
    return;
  }
  lastFailure_.clear();
  // Told as a failure is, once, though the setup goes into use.
  if (!warnings.isEmpty()) fail(warnings.join(u'\n'));
  check.directives = settings_.inlineConfig;
  check.lineEnds = read.lineEnds;
  check.tellLoneLineFeeds = true;
  // An open script is passed over as a run passes it over when named with
  // --force-exclude, as the pre-commit hook names it.
  Exclusions excludes = project.path.isEmpty()
                            ? Exclusions()
                            : Exclusions(QFileInfo(project.path).absolutePath(), project.excludes);
  changed_(
      std::make_shared<const CheckSetup>(std::move(tables), std::move(check), std::move(excludes)));
}

void ServerTables::fail(const QString& message) {
  if (message == lastFailure_) return;
  lastFailure_ = message;
  failed_(message);
}

QStringList ServerTables::projectFileCandidates(const QString& found) const {
  if (settings_.noConfig) return {};
  if (!settings_.configFile.isEmpty()) return {settings_.configFile};
  // As the search goes: up to the folder that holds a repository.
  QStringList candidates;
  for (QDir folder(workspace_);;) {
    const QString candidate = folder.absoluteFilePath(kProject);
    candidates.append(candidate);
    if (candidate == found || folder.exists(QStringLiteral(".git")) || !folder.cdUp()) break;
  }
  return candidates;
}
