#pragma once

#include <optional>

#include <QJsonValue>
#include <QString>

#include "CheckSetup.h"
#include "OpenDocuments.h"
#include "WorkspaceIndex.h"

// The requests answered from the alerts of the workspace's scripts, which
// wait for the workspace index to be ready. Each returns the result, or
// sets `problem` for an error response with invalid params.
namespace workspacerequests {

// textDocument/references: from a row of a table in force, or from a
// quoted code in an open script, every alert of its code in the
// workspace's scripts; with includeDeclaration, the rows of the code
// first. Null where no code stands.
// `table`: which table in force the request's document is, if either.
QJsonValue references(const WorkspaceIndex& index, const CheckSetup* setup,
                      const OpenDocuments& documents, std::optional<TableKind> table,
                      const QJsonValue& params, QString* problem);

// textDocument/hover on a row of a table in force: its code and message,
// and how many alerts it gives in how many scripts. Null off a row.
QJsonValue rowHover(const WorkspaceIndex& index, const CheckSetup* setup,
                    std::optional<TableKind> table, const QJsonValue& params, QString* problem);

}  // namespace workspacerequests
