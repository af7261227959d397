#include "controls/FolderListing.h"

#include <QCollator>
#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QStorageInfo>

#include <algorithm>

namespace FolderListing {
namespace {

QDir::Filters FiltersFor(const Options& options)
{
    QDir::Filters filters = QDir::Dirs | QDir::NoDotAndDotDot;
    if (options.hidden || options.everything)
        filters |= QDir::Hidden;
    if (options.files || options.everything)
        filters |= QDir::Files | QDir::System;
    return filters;
}

// `path` is `folder` or lies below it.
bool IsWithin(const QString& path, const QString& folder)
{
    if (folder == QLatin1String("/"))
        return path.startsWith(QLatin1Char('/'));
    return path == folder || path.startsWith(folder + QLatin1Char('/'));
}

} // namespace

bool HasChildren(const QString& folder, const Options& options)
{
    QDirIterator it(folder, FiltersFor(options));
    while (it.hasNext()) {
        it.next();
        const QFileInfo info = it.fileInfo();
        if (info.isDir() || options.everything || options.fileMask.isEmpty()
            || MatchesFileMask(info.fileName(), options.fileMask))
            return true;
    }
    return false;
}

bool MatchesFileMask(const QString& fileName, const QStringList& mask)
{
    const qsizetype dot = fileName.lastIndexOf(QLatin1Char('.'));
    if (dot < 0)
        return false;
    const QString extension = fileName.mid(dot);
    return std::any_of(mask.begin(), mask.end(),
                       [&](const QString& m) { return m.compare(extension, Qt::CaseInsensitive) == 0; });
}

std::vector<Entry> List(const QString& folder, const Options& options)
{
    std::vector<Entry> entries;
    const QFileInfoList infos = QDir(folder).entryInfoList(FiltersFor(options), QDir::NoSort);
    for (const QFileInfo& info : infos) {
        const bool isFolder = info.isDir();
        if (!isFolder && !options.everything && !options.fileMask.isEmpty()
            && !MatchesFileMask(info.fileName(), options.fileMask))
            continue;
        entries.push_back({info.absoluteFilePath(), info.fileName(), isFolder,
                           isFolder && HasChildren(info.absoluteFilePath(), options)});
    }
    QCollator collator;
    collator.setNumericMode(true);
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    std::stable_sort(entries.begin(), entries.end(), [&](const Entry& a, const Entry& b) {
        if (a.folder != b.folder)
            return options.filesFirst && options.files ? !a.folder : a.folder;
        return collator.compare(a.name, b.name) < 0;
    });
    return entries;
}

std::vector<Place> DrivePlaces()
{
    std::vector<Place> places{{QStringLiteral("/"), QStringLiteral("/")}};
    const QString home = QDir::cleanPath(QDir::homePath());
    if (home != QLatin1String("/") && QFileInfo(home).isDir())
        places.push_back({home, QStringLiteral("ホーム")});
    for (const QStorageInfo& volume : QStorageInfo::mountedVolumes()) {
        const QString root = volume.rootPath();
        const bool forUser = root.startsWith(QLatin1String("/media/")) || root.startsWith(QLatin1String("/run/media/"))
                          || root.startsWith(QLatin1String("/mnt/"));
        if (!forUser || !volume.isValid() || !volume.isReady())
            continue;
        const QString name = volume.displayName();
        places.push_back({root, name.isEmpty() ? QFileInfo(root).fileName() : name});
    }
    return places;
}

int PlaceHolding(const std::vector<Place>& places, const QString& path)
{
    const QString clean = QDir::cleanPath(path);
    int best = -1;
    for (int i = 0; i < int(places.size()); ++i)
        if (IsWithin(clean, places[size_t(i)].path)
            && (best < 0 || places[size_t(i)].path.size() > places[size_t(best)].path.size()))
            best = i;
    return best;
}

} // namespace FolderListing
