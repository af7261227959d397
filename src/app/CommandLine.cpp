#include "app/CommandLine.h"

QString CommandLineFile(const QStringList& argumentsAfterProgram)
{
    QString text = argumentsAfterProgram.join(QLatin1Char(' '));
    if (text.startsWith(QLatin1Char('"')))
        text = text.mid(1, text.size() - 2);
    return text;
}
