#pragma once

#include "controls/RecentFileList.h"

#include <QAction>
#include <QMenu>
#include <QObject>
#include <QPointer>

class SettingsStore;

// The recent-files menu: keeps a most-recently-used list of paths in the
// store and shows it as numbered menu items, inside a submenu or right after
// a given item; the folders of the files can be listed the same way.
class TOpenFileHistories : public QObject {
    Q_OBJECT

public:
    // `store` holds one value per list, named by LoadHistories/SaveHistories.
    TOpenFileHistories(SettingsStore& store, QObject* parent = nullptr);
    ~TOpenFileHistories() override;

    // Setting a file placement clears the other one; likewise for folders.
    void setSubFileItem(QMenu* menu);
    void setSubFolderItem(QMenu* menu);
    void setUpFileItem(QAction* item);
    void setUpFolderItem(QAction* item);
    QMenu* SubFileItem() const { return subFileItem_; }
    QMenu* SubFolderItem() const { return subFolderItem_; }
    QAction* UpFileItem() const { return upFileItem_; }
    QAction* UpFolderItem() const { return upFolderItem_; }

    int MaxHistory() const { return list_.maxHistory; }
    void setMaxHistory(int value) { list_.maxHistory = value; }

    void LoadHistories(const QString& name);
    // Lists `path` first, absolute and clean (RecentFileList::listedPath).
    void AddHistory(const QString& path);
    // Takes `path` off the list; saving writes the list without it.
    void RemoveHistory(const QString& path);
    void RefreshMenu();
    // Writes nothing when no path was added or removed during this run.
    void SaveHistories(const QString& name);

    const QStringList& history() const { return list_.history(); }
    // Whether a path was added during this run.
    bool hasPending() const { return list_.hasPending(); }
    // The menu items made for the list, in the order they were made.
    const QList<QAction*>& createdItems() const { return created_; }

signals:
    // The path goes by value: a handler may save or open a page, which
    // rebuilds the list (and frees the clicked item) before it reads the path.
    void OnOpenFile(QAction* sender, QString fileName);
    void OnOpenDialog(QAction* sender, QString directory);

private:
    void fileClick(QAction* item);
    void folderClick(QAction* item);
    QAction* makeItem(const QString& caption, int tag, bool folder);
    void removeCreatedItems();
    static void insertAfter(QAction* anchor, int offset, QAction* item);

    SettingsStore& store_;
    RecentFileList list_;
    QString lastName_;
    QList<QAction*> created_;
    QPointer<QMenu> subFileItem_;
    QPointer<QMenu> subFolderItem_;
    QPointer<QAction> upFileItem_;
    QPointer<QAction> upFolderItem_;
};
