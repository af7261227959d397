#include "dialogs/ExecutableFilter.h"

#include <QFileInfo>
#include <QFileSystemModel>

bool ListedAsProgram(const QFileInfo& entry)
{
    return entry.isDir() || (entry.isFile() && entry.isExecutable());
}

void ExecutableFilter::setActive(bool active)
{
    if (active == active_)
        return;
    active_ = active;
    invalidateFilter();
}

bool ExecutableFilter::filterAcceptsRow(int sourceRow, const QModelIndex& sourceParent) const
{
    if (!active_)
        return true;
    const auto* files = qobject_cast<const QFileSystemModel*>(sourceModel());
    if (!files)
        return true;
    return ListedAsProgram(files->fileInfo(files->index(sourceRow, 0, sourceParent)));
}
