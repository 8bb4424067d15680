#include "Formats.h"

#include "FormatNames.h"

namespace {

struct Maker {
  const char* name;
  std::unique_ptr<ReportFormat> (*make)(const RunFacts&);
};

constexpr Maker kMakers[] = {
    {"classic", makeClassicFormat}, {"gcc", makeGccFormat},       {"json", makeJsonFormat},
    {"sarif", makeSarifFormat},     {"github", makeGithubFormat}, {"gitlab", makeGitlabFormat},
};

constexpr bool makesEveryName() {
  if (std::size(kMakers) != kReportFormatNames.size()) return false;
  for (std::size_t i = 0; i < kReportFormatNames.size(); ++i) {
    if (std::string_view(kMakers[i].name) != kReportFormatNames[i]) return false;
  }
  return true;
}
static_assert(makesEveryName(), "a format name without its maker, or the other way round");

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
