#pragma once

#include <QStringList>
#include <QTextDocument>

// The lines the report box shows: its paragraphs, and within them the line
// separators that break a paragraph into lines.
inline QStringList shownLines(const QTextDocument* document) {
  QString text = document->toRawText();
  text.replace(QChar::LineSeparator, QChar::ParagraphSeparator);
  return text.split(QChar::ParagraphSeparator);
}
