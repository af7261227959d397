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
    return fields.forceDirectories
           || (exists(FolderPart(ExpandHome(fields.fileName))) && exists(ExpandHome(fields.databasePath)));
}

QString FolderPart(const QString& path)
{
    for (qsizetype i = path.size() - 1; i >= 0; --i)
        if (IsSeparator(path[i]))
            return i == 0 ? path.left(1) : path.left(i);
    return QString();
}

QString ExpandHome(const QString& typed)
{
    if (!typed.startsWith(QLatin1Char('~')))
        return typed;
    if (typed.size() == 1)
        return QDir::homePath();
    if (typed[1] == QDir::separator() || typed[1] == QLatin1Char('/'))
        return QDir::homePath() + typed.mid(1);
    return typed;
}

std::optional<QString> OverwriteQuestion(const QString& pageFile, const QString& htmlFile,
                                         const FileExists& exists)
{
    const bool page = exists(pageFile);
    const bool html = exists(htmlFile);
    QString files;
    if (page && html)
        files = QStringLiteral("ページファイル “%1” と HTML ファイル “%2”").arg(pageFile, htmlFile);
    else if (page)
        files = QStringLiteral("ページファイル “%1”").arg(pageFile);
    else if (html)
        files = QStringLiteral("HTML ファイル “%1”").arg(htmlFile);
    else
        return std::nullopt;
    return files + QStringLiteral(" は既にあります。上書きしますか？");
}

} // namespace NewPageRules
