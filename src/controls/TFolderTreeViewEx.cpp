#include "controls/TFolderTreeViewEx.h"

#include "controls/FileOperations.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QDrag>
#include <QFileIconProvider>
#include <QFileInfo>
#include <QHeaderView>
#include <QMenu>
#include <QMessageBox>
#include <QMimeData>
#include <QSet>
#include <QStandardPaths>
#include <QTimer>
#include <QUrl>

namespace {

constexpr int PathRole = Qt::UserRole;
constexpr int KindRole = Qt::UserRole + 1;
constexpr int ListedRole = Qt::UserRole + 2;

const QString DrivesCaption = QStringLiteral("コンピュータ");
const QString FailureCaption = QStringLiteral(" FolderTreeViewEx component version 2.11");
const QString FailureText = QStringLiteral("InvokeCommand failed!");

QFileIconProvider& Icons()
{
    static QFileIconProvider provider;
    return provider;
}

bool IsBelow(const QTreeWidgetItem* item, const QTreeWidgetItem* ancestor)
{
    for (const QTreeWidgetItem* p = item->parent(); p; p = p->parent())
        if (p == ancestor)
            return true;
    return false;
}

QString CaptionOf(const QString& path)
{
    const QString name = QFileInfo(path).fileName();
    return name.isEmpty() ? path : name;
}

// Holds the busy pointer and suspends redrawing while the tree is rebuilt.
class BusyTree {
public:
    explicit BusyTree(QWidget* tree) : tree_(tree)
    {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        tree_->setUpdatesEnabled(false);
    }
    ~BusyTree()
    {
        tree_->setUpdatesEnabled(true);
        QApplication::restoreOverrideCursor();
    }

private:
    QWidget* tree_;
};

} // namespace

TFolderTreeViewEx::TFolderTreeViewEx(QWidget* parent) : QTreeWidget(parent)
{
    resize(153, 185);
    setHeaderHidden(true);
    setColumnCount(1);
    setFrameShape(QFrame::Box);
    setFrameShadow(QFrame::Plain);
    setEditTriggers(NoEditTriggers); // renaming starts from the context menu
    setSelectionMode(SingleSelection);
    setContextMenuPolicy(Qt::CustomContextMenu);
    setDragDropOverwriteMode(true); // a drop goes onto a folder, never between two
    setAutoScrollMargin(11);
    setDragAndDrop(dragAndDrop_);
    invisibleRootItem()->setFlags(invisibleRootItem()->flags() & ~Qt::ItemIsDropEnabled);

    connect(this, &QTreeWidget::itemExpanded, this, [this](QTreeWidgetItem* item) {
        if (!item->data(0, ListedRole).toBool())
            listChildren(item, pathOf(item));
    });
    // The selection, not the current item: the view makes an item current
    // on focus without the user choosing it.
    connect(this, &QTreeWidget::itemSelectionChanged, this, [this] { reportChange(selectedItems().value(0)); });
    connect(this, &QTreeWidget::itemClicked, this,
            [this](QTreeWidgetItem* item) { emit OnClick(this, item ? pathOrCaption(item) : folderName_); });
    connect(this, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem* item) {
        emit OnDblClick(this, item ? pathOrCaption(item) : folderName_);
        if (item && shellRun_ && showFile_ && kindOf(item) == Kind::File)
            QDesktopServices::openUrl(QUrl::fromLocalFile(pathOf(item)));
    });
    connect(this, &QTreeWidget::itemChanged, this, [this](QTreeWidgetItem* item) {
        if (item != renaming_)
            return;
        renaming_ = nullptr;
        // The editor is still closing; the item may be listed anew only after that.
        QTimer::singleShot(0, this, [this, path = pathOf(item), typed = item->text(0)] { itemRenamed(path, typed); });
    });
    connect(this, &QWidget::customContextMenuRequested, this, &TFolderTreeViewEx::showContextMenu);
    Rebuild();
}

// --- Properties --------------------------------------------------------------

void TFolderTreeViewEx::setRootFolder(TRootFolder value)
{
    if (value == rootFolder_)
        return;
    rootFolder_ = value;
    if (IsVirtualRoot(value)) {
        showRootFolder_ = true;
        showFile_ = true;
    }
    Rebuild();
}

void TFolderTreeViewEx::setRootFolderName(const QString& value)
{
    if (value == rootFolderName_)
        return;
    rootFolderName_ = value;
    if (rootFolder_ == rfManual)
        Rebuild();
}

void TFolderTreeViewEx::setShowRootFolder(bool value)
{
    if (value == showRootFolder_)
        return;
    if (!value && (IsVirtualRoot(rootFolder_) || (rootFolder_ == rfManual && showFile_)))
        return;
    showRootFolder_ = value;
    Rebuild();
}

void TFolderTreeViewEx::setSelectedDir(TSelectedDir value)
{
    if (value == selectedDir_)
        return;
    selectedDir_ = value;
    if (rootFolder_ == rfDrives)
        Rebuild();
}

void TFolderTreeViewEx::setShowIncludeHidden(bool value)
{
    if (value == showIncludeHidden_)
        return;
    showIncludeHidden_ = value;
    Rebuild();
}

void TFolderTreeViewEx::setShowFile(bool value)
{
    if (value == showFile_ || (!value && IsVirtualRoot(rootFolder_)))
        return;
    showFile_ = value;
    Rebuild();
}

void TFolderTreeViewEx::setFileMask(const QStringList& value)
{
    fileMask_ = value;
    Rebuild();
}

void TFolderTreeViewEx::setInfoViewSort(bool value)
{
    if (value == infoViewSort_)
        return;
    infoViewSort_ = value;
    if (!IsVirtualRoot(rootFolder_))
        Rebuild();
}

void TFolderTreeViewEx::setDragAndDrop(bool value)
{
    dragAndDrop_ = value;
    setDragDropMode(value ? DragDrop : NoDragDrop);
}

QString TFolderTreeViewEx::SpecialFolderPath(TRootFolder root)
{
    const auto at = [](QStandardPaths::StandardLocation location) {
        return QStandardPaths::writableLocation(location);
    };
    switch (root) {
    case rfDesktop: return at(QStandardPaths::DesktopLocation);
    case rfPrograms:
    case rfStartMenu: return at(QStandardPaths::ApplicationsLocation);
    case rfStartup: return at(QStandardPaths::GenericConfigLocation) + QStringLiteral("/autostart");
    case rfAppdata: return at(QStandardPaths::GenericDataLocation);
    case rfTemplates: return at(QStandardPaths::TemplatesLocation);
    case rf_Bitbucket: return at(QStandardPaths::GenericDataLocation) + QStringLiteral("/Trash/files");
    default: return QString(); // no counterpart here: the drives stand in
    }
}

// --- Building ----------------------------------------------------------------

TFolderTreeViewEx::Kind TFolderTreeViewEx::kindOf(const QTreeWidgetItem* item)
{
    return static_cast<Kind>(item->data(0, KindRole).toInt());
}

QString TFolderTreeViewEx::pathOf(const QTreeWidgetItem* item)
{
    return item ? item->data(0, PathRole).toString() : QString();
}

QString TFolderTreeViewEx::pathOrCaption(const QTreeWidgetItem* item)
{
    const QString path = pathOf(item);
    return path.isEmpty() ? item->text(0) : path;
}

FolderListing::Options TFolderTreeViewEx::listingOptions() const
{
    FolderListing::Options options;
    options.hidden = showIncludeHidden_;
    options.files = showFile_;
    options.fileMask = fileMask_;
    options.filesFirst = infoViewSort_;
    options.everything = IsVirtualRoot(rootFolder_);
    return options;
}

QTreeWidgetItem* TFolderTreeViewEx::makeItem(const QString& path, const QString& caption, Kind kind,
                                             bool hasChildren)
{
    auto* item = new QTreeWidgetItem(QStringList{caption});
    item->setData(0, PathRole, path);
    item->setData(0, KindRole, int(kind));
    item->setToolTip(0, path);
    switch (kind) {
    case Kind::Drives: item->setIcon(0, Icons().icon(QFileIconProvider::Computer)); break;
    case Kind::Place: item->setIcon(0, Icons().icon(QFileIconProvider::Drive)); break;
    default: item->setIcon(0, Icons().icon(QFileInfo(path))); break;
    }
    item->setChildIndicatorPolicy(hasChildren ? QTreeWidgetItem::ShowIndicator
                                              : QTreeWidgetItem::DontShowIndicator);
    Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (kind == Kind::Folder || kind == Kind::Place)
        flags |= Qt::ItemIsDropEnabled;
    if (kind == Kind::Folder || kind == Kind::File)
        flags |= Qt::ItemIsDragEnabled;
    item->setFlags(flags);
    return item;
}

void TFolderTreeViewEx::listChildren(QTreeWidgetItem* parent, const QString& folder)
{
    QList<QTreeWidgetItem*> children;
    const FolderListing::Options options = listingOptions();
    if (folder.isEmpty()) {
        for (const FolderListing::Place& place : FolderListing::DrivePlaces())
            children << makeItem(place.path, place.caption, Kind::Place, FolderListing::HasChildren(place.path, options));
    } else {
        for (const FolderListing::Entry& entry : FolderListing::List(folder, options))
            children << makeItem(entry.path, entry.name, entry.folder ? Kind::Folder : Kind::File, entry.hasChildren);
    }
    if (parent) {
        parent->setData(0, ListedRole, true);
        parent->addChildren(children);
        if (children.isEmpty())
            parent->setChildIndicatorPolicy(QTreeWidgetItem::DontShowIndicator);
    } else {
        addTopLevelItems(children);
    }
}

void TFolderTreeViewEx::Rebuild()
{
    BusyTree busy(this);
    building_ = true;
    renaming_ = nullptr;
    clear();

    rootPath_.clear();
    if (rootFolder_ == rfManual) {
        if (!rootFolderName_.isEmpty() && QFileInfo(rootFolderName_).isDir())
            rootPath_ = QDir::cleanPath(QFileInfo(rootFolderName_).absoluteFilePath());
    } else if (rootFolder_ != rfDrives) {
        const QString special = SpecialFolderPath(rootFolder_);
        if (!special.isEmpty() && QFileInfo(special).isDir())
            rootPath_ = QDir::cleanPath(special);
    }

    QTreeWidgetItem* top = nullptr;
    if (showRootFolder_) {
        if (rootPath_.isEmpty())
            top = makeItem(QString(), DrivesCaption, Kind::Drives, true);
        else
            top = makeItem(rootPath_, rootFolder_ == rf_Bitbucket ? QStringLiteral("ごみ箱") : CaptionOf(rootPath_),
                           Kind::Folder, true);
        addTopLevelItem(top);
    }
    listChildren(top, rootPath_);
    collapseAll();
    if (top)
        top->setExpanded(true);
    building_ = false;
    if (rootFolder_ == rfDrives)
        selectStartPlace();
}

void TFolderTreeViewEx::selectStartPlace()
{
    QString holding;
    if (selectedDir_ == sdSystem)
        holding = QStringLiteral("/usr");
    else if (selectedDir_ == sdCurrent)
        holding = QDir::currentPath();
    else
        return;
    const std::vector<FolderListing::Place> places = FolderListing::DrivePlaces();
    const int place = FolderListing::PlaceHolding(places, holding);
    if (place < 0)
        return;
    if (QTreeWidgetItem* item = itemForPath(places[size_t(place)].path)) {
        setCurrentItem(item);
        item->setExpanded(true);
    }
}

QTreeWidgetItem* TFolderTreeViewEx::itemForPath(const QString& path) const
{
    for (QTreeWidgetItemIterator it(const_cast<TFolderTreeViewEx*>(this)); *it; ++it)
        if (pathOf(*it) == path)
            return *it;
    return nullptr;
}

void TFolderTreeViewEx::RefreshItem(QTreeWidgetItem* item)
{
    refresh(item, pathOf(currentItem()));
}

void TFolderTreeViewEx::refresh(QTreeWidgetItem* item, const QString& selectPath)
{
    if (!item) { // the top level: build it all again
        Rebuild();
        if (QTreeWidgetItem* select = itemForPath(selectPath))
            setCurrentItem(select);
        return;
    }
    const QString before = pathOf(currentItem());
    // Folders open below the item stay open where they are still there.
    QSet<QString> open;
    for (QTreeWidgetItemIterator it(this); *it; ++it)
        if ((*it)->isExpanded() && (*it == item || IsBelow(*it, item)))
            open.insert(pathOf(*it));
    building_ = true;
    renaming_ = nullptr;
    qDeleteAll(item->takeChildren());
    listChildren(item, pathOf(item));
    const std::function<void(QTreeWidgetItem*)> reopen = [&](QTreeWidgetItem* parent) {
        for (int i = 0; i < parent->childCount(); ++i)
            if (QTreeWidgetItem* child = parent->child(i); open.contains(pathOf(child))) {
                child->setExpanded(true); // lists its children
                reopen(child);
            }
    };
    item->setExpanded(open.contains(pathOf(item)) && item->childCount() > 0);
    reopen(item);
    QTreeWidgetItem* select = itemForPath(selectPath);
    setCurrentItem(select ? select : (currentItem() ? currentItem() : item));
    building_ = false;
    if (pathOf(currentItem()) != before)
        reportChange(selectedItems().value(0));
}

void TFolderTreeViewEx::reportChange(QTreeWidgetItem* current)
{
    if (building_)
        return;
    if (current)
        folderName_ = pathOrCaption(current);
    emit OnChange(this, folderName_);
}

// --- Context menu and renaming --------------------------------------------------

bool TFolderTreeViewEx::canRename(const QTreeWidgetItem* item) const
{
    const Kind kind = kindOf(item);
    return (kind == Kind::Folder || kind == Kind::File) && !IsVirtualRoot(rootFolder_) && pathOf(item) != rootPath_;
}

void TFolderTreeViewEx::showContextMenu(QPoint pos)
{
    QTreeWidgetItem* item = itemAt(pos);
    if (!contextMenu_ || !item)
        return;
    setCurrentItem(item); // the menu acts on the item under the pointer
    const Kind kind = kindOf(item);
    QMenu menu(this);
    if (kind == Kind::File)
        menu.addAction(QStringLiteral("開く(&O)"), this, [this, item] {
            if (!QDesktopServices::openUrl(QUrl::fromLocalFile(pathOf(item))))
                showFailure(QStringLiteral("このファイルを開くプログラムがありません"));
        });
    menu.addAction(QStringLiteral("ファイル マネージャで開く(&F)"), this, [this, item] { OpenInFileManager(item); })
        ->setEnabled(kind != Kind::Drives);
    menu.addSeparator();
    menu.addAction(QStringLiteral("新しいフォルダ(&W)"), this, [this, item] { NewFolderIn(item); })
        ->setEnabled(kind == Kind::Folder || kind == Kind::Place);
    menu.addAction(QStringLiteral("名前の変更(&M)"), this, [this, item] { StartRename(item); })
        ->setEnabled(canRename(item));
    menu.addSeparator();
    menu.addAction(QStringLiteral("最新の情報に更新(&E)"), this,
                   [this, item] { RefreshItem(kindOf(item) == Kind::File ? item->parent() : item); });
    menu.exec(viewport()->mapToGlobal(pos));
}

void TFolderTreeViewEx::OpenInFileManager(QTreeWidgetItem* item)
{
    QString folder = pathOf(item);
    if (kindOf(item) == Kind::File)
        folder = QFileInfo(folder).absolutePath();
    if (folder.isEmpty() || !QDesktopServices::openUrl(QUrl::fromLocalFile(folder)))
        showFailure(QStringLiteral("ファイル マネージャを起動できませんでした"));
}

void TFolderTreeViewEx::NewFolderIn(QTreeWidgetItem* item)
{
    QString created;
    if (std::optional<QString> failed = FileOperations::CreateNewFolder(pathOf(item), &created)) {
        showFailure(*failed);
        return;
    }
    if (!autoUpDate_)
        return;
    refresh(item, created);
    item->setExpanded(true);
    StartRename(itemForPath(created));
}

void TFolderTreeViewEx::StartRename(QTreeWidgetItem* item)
{
    if (!item || !canRename(item))
        return;
    item->setFlags(item->flags() | Qt::ItemIsEditable);
    renaming_ = item; // after the flag: changing flags reports a change of the item too
    scrollToItem(item);
    editItem(item);
}

void TFolderTreeViewEx::itemRenamed(const QString& path, const QString& typed)
{
    QTreeWidgetItem* item = itemForPath(path);
    if (!item)
        return;
    item->setFlags(item->flags() & ~Qt::ItemIsEditable);
    const QString oldName = QFileInfo(path).fileName();
    if (typed == oldName)
        return;
    if (std::optional<QString> failed = FileOperations::Rename(path, typed)) {
        item->setText(0, oldName); // the tree shows what is on disk
        showFailure(*failed);
        return;
    }
    const QString renamed = QFileInfo(path).dir().filePath(typed);
    const bool wasCurrent = item == currentItem();
    if (autoUpDate_) {
        refresh(item->parent(), wasCurrent ? renamed : pathOf(currentItem()));
        return;
    }
    item->setData(0, PathRole, renamed);
    item->setToolTip(0, renamed);
    qDeleteAll(item->takeChildren()); // their paths are gone; listed again when opened
    item->setData(0, ListedRole, false);
    if (wasCurrent)
        reportChange(item);
}

void TFolderTreeViewEx::showFailure(const QString& reason)
{
    QMessageBox box(QMessageBox::Information, FailureCaption, FailureText, QMessageBox::Ok, this);
    box.setInformativeText(reason);
    box.exec();
}

// --- Drag and drop -----------------------------------------------------------------

QStringList TFolderTreeViewEx::mimeTypes() const
{
    return {QStringLiteral("text/uri-list")};
}

QMimeData* TFolderTreeViewEx::mimeData(const QList<QTreeWidgetItem*>& items) const
{
    QList<QUrl> urls;
    for (const QTreeWidgetItem* item : items)
        if (item->flags() & Qt::ItemIsDragEnabled)
            urls << QUrl::fromLocalFile(pathOf(item));
    auto* mime = new QMimeData;
    mime->setUrls(urls);
    return mime;
}

Qt::DropActions TFolderTreeViewEx::supportedDropActions() const
{
    return Qt::CopyAction | Qt::MoveAction;
}

void TFolderTreeViewEx::startDrag(Qt::DropActions)
{
    QTreeWidgetItem* item = currentItem();
    if (!item || !(item->flags() & Qt::ItemIsDragEnabled))
        return;
    const QString source = pathOf(item);
    auto* drag = new QDrag(this);
    drag->setMimeData(mimeData({item}));
    drag->setPixmap(item->icon(0).pixmap(iconSize().isValid() ? iconSize() : QSize(16, 16)));
    const Qt::DropAction done = drag->exec(Qt::CopyAction | Qt::MoveAction | Qt::LinkAction, Qt::MoveAction);
    // Another program may still be moving the entry; look again once it is done.
    if (done == Qt::MoveAction && autoUpDate_ && !isAncestorOf(qobject_cast<QWidget*>(drag->target()))) {
        const QString folder = QFileInfo(source).absolutePath();
        QTimer::singleShot(1500, this, [this, folder] { RefreshItem(itemForPath(folder)); });
    }
}

void TFolderTreeViewEx::dropEvent(QDropEvent* event)
{
    // QTreeWidget::dropEvent moves the tree's own items inside the view when
    // they are dropped on it, and the files stay where they are.
    QTreeView::dropEvent(event);
}

bool TFolderTreeViewEx::dropMimeData(QTreeWidgetItem* parent, int, const QMimeData* mime, Qt::DropAction action)
{
    if (!parent || !(parent->flags() & Qt::ItemIsDropEnabled) || !mime->hasUrls()
        || (action != Qt::MoveAction && action != Qt::CopyAction))
        return false;
    const QString folder = pathOf(parent);
    QStringList sources;
    for (const QUrl& url : mime->urls()) {
        if (!url.isLocalFile())
            continue;
        const QString source = QDir::cleanPath(url.toLocalFile());
        if (action == Qt::MoveAction && QFileInfo(source).absolutePath() == folder)
            continue; // already there
        sources << source;
    }
    if (sources.isEmpty())
        return false;
    // The drop is still being delivered (inside a drag of this tree, with the
    // pointer held): the question and the transfer come once it is over.
    QTimer::singleShot(0, this, [this, folder, sources, action] { transferInto(folder, sources, action); });
    return true;
}

void TFolderTreeViewEx::transferInto(const QString& folder, const QStringList& sources, Qt::DropAction action)
{
    QStringList touched{folder};
    QString failure;
    for (const QString& source : sources) {
        if (action == Qt::MoveAction && askBeforeMove_ && !askBeforeMove_(source, folder))
            continue;
        const std::optional<QString> failed = action == Qt::MoveAction ? FileOperations::MoveInto(source, folder)
                                                                       : FileOperations::CopyInto(source, folder);
        if (failed) {
            failure = *failed;
            break;
        }
        touched << QFileInfo(source).absolutePath();
    }
    touched.removeDuplicates();
    if (autoUpDate_)
        for (const QString& path : touched) {
            // A folder below another one in the list is listed with it.
            const bool inner = std::any_of(touched.begin(), touched.end(), [&path](const QString& other) {
                return other != path && (other == QLatin1String("/") || path.startsWith(other + QLatin1Char('/')));
            });
            if (QTreeWidgetItem* item = itemForPath(path); item && !inner)
                RefreshItem(item);
        }
    if (!failure.isEmpty())
        showFailure(failure);
}
