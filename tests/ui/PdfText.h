#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// Reads a PDF the way a person reads the paper, through poppler-utils.
namespace pdftext {

// The non-empty lines of text, top to bottom, page after page, as asRead()
// gives them. Sets `error` when pdftotext fails.
QStringList lines(const QString& pdfPath, QString* error);
// Lines as they can be read back from a PDF, which places words rather than
// spaces and may join letters into ligatures: runs of spaces become one, none
// is left at either end, ligatures are letters again, and empty lines are gone.
QStringList asRead(const QStringList& lines);
// The height in points of every word's box; a word's box is about 1.16 times
// the font size for the DejaVu fonts that the tests run with.
QList<double> wordHeights(const QString& pdfPath, QString* error);
// The number of pages; -1 on failure.
int pageCount(const QString& pdfPath, QString* error);

}  // namespace pdftext
