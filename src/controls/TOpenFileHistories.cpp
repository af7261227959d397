#include "controls/TOpenFileHistories.h"

#include "settings/SettingsStore.h"

#include <QWidget>

TOpenFileHistories::TOpenFileHistories(SettingsStore& store, QObject* parent) : QObject(parent), store_(store) {}

TOpenFileHistories::~TOpenFileHistories()
{
    qDeleteAll(created_);
}

void TOpenFileHistories::setSubFileItem(QMenu* menu)
{
    subFileItem_ = menu;
    upFileItem_ = nullptr;
}

void TOpenFileHistories::setSubFolderItem(QMenu* menu)
{
    subFolderItem_ = menu;
    upFolderItem_ = nullptr;
}

void TOpenFileHistories::setUpFileItem(QAction* item)
{
    upFileItem_ = item;
    subFileItem_ = nullptr;
}

void TOpenFileHistories::setUpFolderItem(QAction* item)
{
    upFolderItem_ = item;
    subFolderItem_ = nullptr;
}

QAction* TOpenFileHistories::makeItem(const QString& caption, int tag, bool folder)
{
    auto* item = new QAction(caption, parent() ? parent() : this);
    item->setData(tag);
    connect(item, &QAction::triggered, this, [this, item, folder] { folder ? folderClick(item) : fileClick(item); });
    created_ << item;
    return item;
}

// Inserts `item` into the menu that shows `anchor`, `offset` places after it.
void TOpenFileHistories::insertAfter(QAction* anchor, int offset, QAction* item)
{
    for (QObject* object : anchor->associatedObjects()) {
        auto* menu = qobject_cast<QMenu*>(object);
        if (!menu)
            continue;
        const QList<QAction*> actions = menu->actions();
        const qsizetype at = actions.indexOf(anchor) + offset;
        menu->insertAction(at < actions.size() ? actions[at] : nullptr, item);
        return;
    }
}

void TOpenFileHistories::LoadHistories(const QString& name)
{
    lastName_ = name;
    list_.load(store_.value(QString(), name).value_or(QString()));
    const QStringList& paths = list_.history();
    if (paths.isEmpty())
        return;
    QStringList folders;
    for (int i = 0; i < paths.size(); ++i) {
        const QString& path = paths[i];
        const QString caption = RecentFileList::captionPrefix(i) + path;
        if (subFileItem_) {
            subFileItem_->addAction(makeItem(caption, i, false));
            subFileItem_->menuAction()->setEnabled(true);
        }
        if (upFileItem_) {
            upFileItem_->setVisible(true);
            insertAfter(upFileItem_, i + 1, makeItem(caption, i, false));
        }
        const QString folder = RecentFileList::folderOf(path);
        if (subFolderItem_ && !folders.contains(folder)) {
            subFolderItem_->addAction(makeItem(RecentFileList::captionPrefix(int(folders.size())) + folder, i, true));
            folders << folder;
            subFolderItem_->menuAction()->setEnabled(true);
        }
        if (upFolderItem_) {
            upFolderItem_->setVisible(true);
            if (!folders.contains(folder)) {
                QAction* item = makeItem(RecentFileList::captionPrefix(int(folders.size())) + folder, i, true);
                insertAfter(upFolderItem_, int(folders.size()) + 1, item);
                folders << folder;
            }
        }
    }
}

void TOpenFileHistories::AddHistory(const QString& path)
{
    list_.add(RecentFileList::listedPath(path));
}

void TOpenFileHistories::RemoveHistory(const QString& path)
{
    list_.forget(path);
}

void TOpenFileHistories::removeCreatedItems()
{
    // The refresh may run inside a click on one of these items: they leave
    // their menus now and are deleted once the click has been handled.
    for (QAction* item : std::as_const(created_)) {
        for (QObject* object : item->associatedObjects())
            if (auto* widget = qobject_cast<QWidget*>(object))
                widget->removeAction(item);
        item->deleteLater();
    }
    created_.clear();
}

void TOpenFileHistories::RefreshMenu()
{
    // Before the first load there is no list to write: the added path waits
    // in the pending list.
    if (lastName_.isEmpty())
        return;
    removeCreatedItems();
    SaveHistories(lastName_);
    LoadHistories(lastName_);
}

void TOpenFileHistories::SaveHistories(const QString& name)
{
    if (!list_.hasChanges())
        return;
    store_.setValue(QString(), name, list_.merge());
}

void TOpenFileHistories::fileClick(QAction* item)
{
    const int tag = item->data().toInt();
    if (tag >= 0 && tag < list_.history().size())
        emit OnOpenFile(item, list_.history()[tag]);
}

void TOpenFileHistories::folderClick(QAction* item)
{
    const int tag = item->data().toInt();
    if (tag >= 0 && tag < list_.history().size())
        emit OnOpenDialog(item, RecentFileList::folderOf(list_.history()[tag]));
}
