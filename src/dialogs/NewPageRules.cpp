#include "dialogs/NewPageRules.h"

#include <QDir>
#include <QFileInfo>

namespace NewPageRules {
namespace {

bool IsSeparator(QChar c) { return c == QLatin1Char('/') || c == QLatin1Char('\\'); }

} // namespace

bool IsFolder(const QString& path)
{
    return !path.isEmpty() && QFileInfo(path).isDir();
}

bool OkEnabled(const Fields& fields, const FolderExists& exists)
{
    if (fields.title.isEmpty() || fields.fileName.isEmpty() || fields.databasePath.isEmpty())
        return false;
    return fields.forceDirectories || (exists(FolderPart(fields.fileName)) && exists(fields.databasePath));
}

QString FolderPart(const QString& path)
{
    for (qsizetype i = path.size() - 1; i >= 0; --i)
        if (IsSeparator(path[i]))
            return i == 0 ? path.left(1) : path.left(i);
    return QString();
}

QString WithTrailingSeparator(const QString& folder)
{
    if (folder.isEmpty() || IsSeparator(folder.back()))
        return folder;
    return folder + QDir::separator();
}

} // namespace NewPageRules
