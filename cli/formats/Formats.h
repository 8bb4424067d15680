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
