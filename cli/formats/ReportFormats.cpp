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

void ReportFormat::tableCheck(const std::vector<Diagnostic>& found, const TableRowCounts&,
                              QByteArray* out) const {
  begin(out);
  QByteArray parts;
  RunTotals totals;
  ScriptReport table;
  for (std::size_t i = 0; i < found.size(); ++i) {
    const Diagnostic& d = found[i];
    if (i == 0 || d.path != table.path) {
      if (i > 0) closeScript(table, 0, QString(), &parts);
      table = ScriptReport();
      table.path = d.path;
      openScript(&table, &parts);
    }
    diagnostic(d, &table, &parts);
    totals.rules |= quint32(1) << int(d.rule);
  }
  if (!found.empty()) closeScript(table, 0, QString(), &parts);
  if (partsStartWithSeparator() && !parts.isEmpty()) parts.remove(0, 1);
  *out += parts;
  end(totals, out);
}
