#pragma once

#include <optional>

#include <QString>

#include "Tables.h"

// Which of the tables in force a document is, if either: `tags.txt` or
// `param.txt` of the folder the tables were read from, by its path.
std::optional<TableKind> tableOf(const QString& uri, const Tables& tables);
