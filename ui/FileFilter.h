#pragma once

#include <QString>

// Turns a filter of "description|pattern" pairs, such as
// "Vornel Scripts (*.csm)|*.csm", into the name filters of a Qt file dialog,
// "Vornel Scripts (*.csm)". Patterns separated by ";" become one filter with
// several patterns; further pairs become further filters.
QString qtNameFilters(const QString& filter);

// Whether a file dialog with `filter`, in the same form, would show a file
// named `fileName` under one of its filters. Patterns match the whole name
// whatever its case, as Qt's own dialog matches them.
bool filterShows(const QString& filter, const QString& fileName);
