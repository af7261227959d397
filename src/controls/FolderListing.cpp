#include "controls/FolderListing.h"

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

bool NameLess(const QString& a, const QString& b)
{
    qsizetype i = 0;
    qsizetype j = 0;
    while (i < a.size() && j < b.size()) {
        if (a[i].isDigit() && b[j].isDigit()) {
            // Runs of digits compare by value: leading zeros dropped, then
            // the longer run is the larger number.
            qsizetype endA = i, endB = j;
            while (endA < a.size() && a[endA].isDigit())
                ++endA;
            while (endB < b.size() && b[endB].isDigit())
                ++endB;
            QStringView runA = QStringView(a).mid(i, endA - i);
            QStringView runB = QStringView(b).mid(j, endB - j);
            while (runA.size() > 1 && runA.front() == QLatin1Char('0'))
                runA = runA.mid(1);
            while (runB.size() > 1 && runB.front() == QLatin1Char('0'))
                runB = runB.mid(1);
            if (runA.size() != runB.size())
                return runA.size() < runB.size();
            if (const int c = runA.compare(runB); c != 0)
                return c < 0;
            i = endA;
            j = endB;
            continue;
        }
        const QChar ca = a[i].toCaseFolded();
        const QChar cb = b[j].toCaseFolded();
        if (ca != cb)
            return ca < cb;
        ++i;
        ++j;
    }
    if ((a.size() - i) != (b.size() - j))
        return (a.size() - i) < (b.size() - j);
    return a < b; // names that differ in case only: a fixed order
}

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
    std::stable_sort(entries.begin(), entries.end(), [&](const Entry& a, const Entry& b) {
        if (a.folder != b.folder)
            return options.filesFirst && options.files ? !a.folder : a.folder;
        return NameLess(a.name, b.name);
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
