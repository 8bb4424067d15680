#pragma once

#include <array>
#include <string_view>

// The report formats a project file or --format may name. The command
// line's formats are made by these names, and its build checks that it
// makes every one of them.
inline constexpr std::array<std::string_view, 6> kReportFormatNames = {
    "classic", "gcc", "json", "sarif", "github", "gitlab"};
