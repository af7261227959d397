#include "controls/RecentFileList.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

void RecentFileList::load(const QString& storedText)
{
    static const QRegularExpression lineBreak(QStringLiteral("\r\n|\r|\n"));
    history_ = storedText.split(lineBreak, Qt::SkipEmptyParts);
}

void RecentFileList::add(const QString& path)
{
    if (!pending_)
        pending_.emplace();
    remove(*pending_, path);
    pending_->prepend(path);
}

void RecentFileList::forget(const QString& path)
{
    remove(history_, path);
    if (pending_)
        remove(*pending_, path);
    forgotten_ = true;
}

QString RecentFileList::merge()
{
    if (pending_) {
        for (auto it = pending_->crbegin(); it != pending_->crend(); ++it) {
            remove(history_, *it);
            history_.prepend(*it);
        }
    }
    while (history_.size() > std::max(maxHistory, 0))
        history_.removeAt(std::max(maxHistory, 0));
    QString text;
    for (const QString& path : history_)
        text += path + QStringLiteral("\r\n");
    return text;
}

QString RecentFileList::captionPrefix(int position)
{
    if (position >= 0 && position <= 9)
        return QStringLiteral("&%1 ").arg(position);
    if (position >= 10 && position <= 35)
        return QStringLiteral("&%1 ").arg(QChar(position + 55));
    return QString();
}

bool RecentFileList::samePath(const QString& a, const QString& b)
{
    if (a.toCaseFolded().localeAwareCompare(b.toCaseFolded()) == 0)
        return true;
    const QString canonical = QFileInfo(a).canonicalFilePath();
    return !canonical.isEmpty() && canonical == QFileInfo(b).canonicalFilePath();
}

QString RecentFileList::listedPath(const QString& path)
{
    return QDir::toNativeSeparators(QDir::cleanPath(QFileInfo(path).absoluteFilePath()));
}

QString RecentFileList::folderOf(const QString& path)
{
    const qsizetype slash = std::max(path.lastIndexOf(QLatin1Char('/')), path.lastIndexOf(QLatin1Char('\\')));
    return slash < 0 ? QString() : path.left(slash);
}

void RecentFileList::remove(QStringList& list, const QString& path)
{
    for (qsizetype i = 0; i < list.size(); ++i) {
        if (samePath(list[i], path)) {
            list.removeAt(i);
            return;
        }
    }
}
