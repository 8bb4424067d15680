#pragma once

#include <QString>

// Turns a filter of "description|pattern" pairs, such as
// "Vornel Scripts (*.csm)|*.csm", into the name filters of a Qt file dialog,
// "Vornel Scripts (*.csm)". Patterns separated by ";" become one filter with
// several patterns; further pairs become further filters.
QString qtNameFilters(const QString& filter);
