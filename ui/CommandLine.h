#pragma once

#include <QString>
#include <QStringList>

// The script that the program is to scan on start, from its arguments as
// QApplication leaves them (its own options taken out): the first after
// the program's name, empty when there is none. The program scans one
// script at a time; further arguments are named on stderr as ignored.
QString scriptFromArguments(const QStringList& arguments);
