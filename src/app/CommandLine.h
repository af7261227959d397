#pragma once

#include <QString>
#include <QStringList>

// The page named on the program's command line: the whole text after the
// program name is one path (blanks do not split it); a path that starts with
// a double quote loses its first and its last character.
QString CommandLineFile(const QStringList& argumentsAfterProgram);
