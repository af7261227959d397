#pragma once

#include <QString>
#include <QStringList>

// A file dialog filter written as its pairs of description and patterns
// ("HTML（*.html;*.htm）|*.html;*.htm|すべて（*.*）|*.*") as Qt's name
// filters ("HTML（*.html;*.htm） (*.html *.htm)"). "*.*" also lists files
// without an extension, as it does on the desktop the filters come from.
QStringList NameFilters(const QString& pairs);
