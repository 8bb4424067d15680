#include "Formats.h"

namespace {

struct Maker {
  const char* name;
  std::unique_ptr<ReportFormat> (*make)(const RunFacts&);
};

const Maker kMakers[] = {
    {"classic", makeClassicFormat}, {"gcc", makeGccFormat},       {"json", makeJsonFormat},
    {"sarif", makeSarifFormat},     {"github", makeGithubFormat}, {"gitlab", makeGitlabFormat},
};

}  // namespace

std::unique_ptr<ReportFormat> makeReportFormat(const QString& name, const RunFacts& facts) {
  for (const Maker& maker : kMakers) {
    if (name == QLatin1StringView(maker.name)) return maker.make(facts);
  }
  return nullptr;
}

QStringList reportFormatNames() {
  QStringList names;
  for (const Maker& maker : kMakers) names.append(QString::fromLatin1(maker.name));
  return names;
}

