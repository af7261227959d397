#pragma once

#include "controls/FolderListing.h"

#include <QString>
#include <QStringList>
#include <QTreeWidget>

#include <functional>

// A tree of the computer's folders (and, optionally, files) that reports the
// selected folder's path, with a context menu (new folder, rename, open in
// the file manager), renaming and drag and drop of files and folders.
//
// Setting RootFolder, RootFolderName (while the root is rfManual), ShowFile,
// ShowRootFolder, ShowIncludeHidden, FileMask (on every assignment),
// InfoViewSort (for a non-virtual root) or SelectedDir (while the root is
// rfDrives) to a new value builds the tree again; the other properties are
// only stored.
class TFolderTreeViewEx : public QTreeWidget {
    Q_OBJECT
    Q_PROPERTY(TRootFolder RootFolder READ RootFolder WRITE setRootFolder)
    Q_PROPERTY(QString RootFolderName READ RootFolderName WRITE setRootFolderName)
    Q_PROPERTY(bool ShowRootFolder READ ShowRootFolder WRITE setShowRootFolder)
    Q_PROPERTY(TSelectedDir SelectedDir READ SelectedDir WRITE setSelectedDir)
    Q_PROPERTY(bool ShowIncludeHidden READ ShowIncludeHidden WRITE setShowIncludeHidden)
    Q_PROPERTY(bool ShowFile READ ShowFile WRITE setShowFile)
    Q_PROPERTY(QStringList FileMask READ FileMask WRITE setFileMask)
    Q_PROPERTY(bool InfoViewSort READ InfoViewSort WRITE setInfoViewSort)
    Q_PROPERTY(bool ShellRun READ ShellRun WRITE setShellRun)
    Q_PROPERTY(bool ContextMenu READ ContextMenu WRITE setContextMenu)
    Q_PROPERTY(bool DragAndDrop READ DragAndDrop WRITE setDragAndDrop)
    Q_PROPERTY(bool AutoUpDate READ AutoUpDate WRITE setAutoUpDate)

public:
    // Which folder is the root. On this platform: rfDrives is the file-system
    // root, the home folder and the mounted volumes; the special folders are
    // their XDG counterparts where there is one (see SpecialFolderPath), the
    // drives otherwise. The last three are virtual: they show their root and
    // every entry in it, files and hidden ones included.
    enum TRootFolder {
        rfManual,
        rfDrives,
        rfDesktop,
        rfFavorites,
        rfPrograms,
        rfRecent,
        rfSendTo,
        rfStartMenu,
        rfStartup,
        rfAppdata,
        rfTemplates,
        rf_Controls,
        rf_Bitbucket,
        rf_Printers,
    };
    Q_ENUM(TRootFolder)
    // Which drive a build selects, with rfDrives only: the one holding the
    // system folders or the one holding the current folder.
    enum TSelectedDir { sdNone, sdSystem, sdCurrent };
    Q_ENUM(TSelectedDir)

    explicit TFolderTreeViewEx(QWidget* parent = nullptr);

    TRootFolder RootFolder() const { return rootFolder_; }
    void setRootFolder(TRootFolder value);
    QString RootFolderName() const { return rootFolderName_; }
    void setRootFolderName(const QString& value);
    bool ShowRootFolder() const { return showRootFolder_; }
    void setShowRootFolder(bool value);
    TSelectedDir SelectedDir() const { return selectedDir_; }
    void setSelectedDir(TSelectedDir value);
    bool ShowIncludeHidden() const { return showIncludeHidden_; }
    void setShowIncludeHidden(bool value);
    bool ShowFile() const { return showFile_; }
    void setShowFile(bool value);
    QStringList FileMask() const { return fileMask_; }
    void setFileMask(const QStringList& value);
    bool InfoViewSort() const { return infoViewSort_; }
    void setInfoViewSort(bool value);
    bool ShellRun() const { return shellRun_; }
    void setShellRun(bool value) { shellRun_ = value; }
    bool ContextMenu() const { return contextMenu_; }
    void setContextMenu(bool value) { contextMenu_ = value; }
    bool DragAndDrop() const { return dragAndDrop_; }
    void setDragAndDrop(bool value);
    bool AutoUpDate() const { return autoUpDate_; }
    void setAutoUpDate(bool value) { autoUpDate_ = value; }

    static bool IsVirtualRoot(TRootFolder root) { return root >= rf_Controls; }
    // The folder a special root stands for here, or empty when there is none.
    static QString SpecialFolderPath(TRootFolder root);

    // The folder the tree shows as its root: the resolved manual or special
    // folder, or empty for the drives.
    QString rootPath() const { return rootPath_; }
    // The path or caption last reported by OnChange.
    QString folderName() const { return folderName_; }
    // The file-system path of an item, empty for the drives' own node.
    static QString pathOf(const QTreeWidgetItem* item);
    // The item showing `path` among those listed so far, if any.
    QTreeWidgetItem* itemForPath(const QString& path) const;

    // Builds the tree again from the file system.
    void Rebuild();
    // Lists the item's children again (after a change on disk).
    void RefreshItem(QTreeWidgetItem* item);

    // Asked before a drop moves `source` into `folder`; false leaves it
    // where it is. Unset, moves go ahead.
    using MoveQuestion = std::function<bool(const QString& source, const QString& folder)>;
    void setMoveQuestion(MoveQuestion ask) { askBeforeMove_ = std::move(ask); }

    // The context menu's commands on an item.
    void NewFolderIn(QTreeWidgetItem* item);
    void StartRename(QTreeWidgetItem* item);
    void OpenInFileManager(QTreeWidgetItem* item);

signals:
    void OnChange(TFolderTreeViewEx* sender, const QString& folderName);
    void OnClick(TFolderTreeViewEx* sender, const QString& folderName);
    void OnDblClick(TFolderTreeViewEx* sender, const QString& folderName);

protected:
    QStringList mimeTypes() const override;
    QMimeData* mimeData(const QList<QTreeWidgetItem*>& items) const override;
    // Every drop, from this tree too, goes to dropMimeData and so to the
    // file system: the tree never moves its own items.
    void dropEvent(QDropEvent* event) override;
    bool dropMimeData(QTreeWidgetItem* parent, int index, const QMimeData* data, Qt::DropAction action) override;
    Qt::DropActions supportedDropActions() const override;
    void startDrag(Qt::DropActions supportedActions) override;

private:
    enum class Kind { Drives, Place, Folder, File };
    void listChildren(QTreeWidgetItem* parent, const QString& folder);
    // Lists the item's children again and selects `selectPath` if it is there.
    void refresh(QTreeWidgetItem* item, const QString& selectPath);
    QTreeWidgetItem* makeItem(const QString& path, const QString& caption, Kind kind, bool hasChildren);
    FolderListing::Options listingOptions() const;
    bool canRename(const QTreeWidgetItem* item) const;
    void selectStartPlace();
    void reportChange(QTreeWidgetItem* current);
    void showContextMenu(QPoint pos);
    void itemRenamed(const QString& path, const QString& typed);
    void transferInto(const QString& folder, const QStringList& sources, Qt::DropAction action);
    void showFailure(const QString& reason);
    static Kind kindOf(const QTreeWidgetItem* item);
    static QString pathOrCaption(const QTreeWidgetItem* item);

    TRootFolder rootFolder_ = rfDrives;
    QString rootFolderName_;
    bool showRootFolder_ = true;
    TSelectedDir selectedDir_ = sdNone;
    bool showIncludeHidden_ = true;
    bool showFile_ = false;
    QStringList fileMask_;
    bool infoViewSort_ = false;
    bool shellRun_ = false;
    bool contextMenu_ = true;
    bool dragAndDrop_ = true;
    bool autoUpDate_ = true;

    QString rootPath_;
    QString folderName_;
    bool building_ = false;
    QTreeWidgetItem* renaming_ = nullptr;
    MoveQuestion askBeforeMove_;
};
