#pragma once

#include <memory>

#include "ReportFormat.h"

// Each format's maker; makeReportFormat() picks one by name.
std::unique_ptr<ReportFormat> makeClassicFormat(const RunFacts& facts);
std::unique_ptr<ReportFormat> makeGccFormat(const RunFacts& facts);
std::unique_ptr<ReportFormat> makeJsonFormat(const RunFacts& facts);
std::unique_ptr<ReportFormat> makeSarifFormat(const RunFacts& facts);
std::unique_ptr<ReportFormat> makeGithubFormat(const RunFacts& facts);
std::unique_ptr<ReportFormat> makeGitlabFormat(const RunFacts& facts);

// The name of a table as formats write it: "tags" or "params".
QLatin1StringView tableName(TableKind table);
// A row's rule in formats that name rules: "<table>/<code>".
QString ruleId(TableKind table, QStringView code);
