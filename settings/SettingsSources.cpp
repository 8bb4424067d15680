#include "SettingsSources.h"

bool resolveSettings(const SettingsSources& sources, Settings* settings, QString* error) {
  *settings = Settings();
  if (!sources.noConfig) {
    const bool read = !sources.configFile.isEmpty()
                          ? readProjectFile(sources.configFile, &settings->project, error)
                      : sources.searchFrom.isEmpty()
                          ? findProjectFile(&settings->project, error)
                          : findProjectFileFrom(sources.searchFrom, &settings->project, error);
    if (!read) return false;
  }
  settings->tablesFolder = !sources.tablesFolder.isEmpty() ? sources.tablesFolder
                           : !settings->project.tablesFolder.isEmpty()
                               ? settings->project.tablesFolder
                               : sources.installedTables;
  settings->lineEnds =
      sources.lineEnds.value_or(settings->project.lineEnds.value_or(textlines::LineEnds::Auto));
  return true;
}
