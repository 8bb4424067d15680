#include "LineNormaliser.h"
#include "PublicSubs.h"
#include "SystemText.h"

bool PublicSubs::NormaliseLine() {
  if (!FileNumber1.readLine(&RawLine)) return false;
  normaliseRawLine();
  return true;
}

void PublicSubs::takeLine(QByteArrayView raw) {
  RawLine = decodeSystemText(raw);
  normaliseRawLine();
}

void PublicSubs::normaliseRawLine() {
  Statement.resize(RawLine.size());
  const auto line = normaliser::normalise(RawLine.constData(), RawLine.size(), Statement.data());
  Statement.resize(line.length);
  StatementLength = line.length;
  HasEquals = line.hasEquals;
}
