#include "CodeSearch.h"
#include "PublicSubs.h"

using namespace codesearch;

void PublicSubs::CheckStatement(const QString& statement) {
  const Searched searched = tablesFor(statement.constData(), statement.size(), HasEquals);
  if (searchesParameters(searched) && FindParameter() > 0) ReportParameterAlert();
  if (searchesTags(searched) && FindTag() > 0) ReportTagAlert();
}

namespace {

// The searches read the shared statement; never past its end, even if a
// caller left StatementLength out of step with it.
qsizetype searchedLength(const QString& statement, qint64 length) {
  return std::min<qint64>(length, statement.size());
}

}  // namespace

qint64 PublicSubs::FindParameter() {
  const qint64 row = findQuotedCode(Statement.constData(),
                                    searchedLength(Statement, StatementLength), Tables.ParamIndex);
  if (row > 0) MatchIndex = row;
  return row;
}

qint64 PublicSubs::FindTag() {
  const qint64 row = findQuotedCode(Statement.constData(),
                                    searchedLength(Statement, StatementLength), Tables.TagIndex);
  if (row > 0) MatchIndex = row;
  return row;
}
