// The folder tree on a folder layout of its own: what it lists, when it
// builds again, what it selects and reports, and its file commands.
#include "common/ModalAnswer.h"
#include "controls/FileOperations.h"
#include "controls/TFolderTreeViewEx.h"

#include <QDropEvent>
#include <QLineEdit>
#include <QMessageBox>
#include <QMimeData>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

#include <unistd.h>

using TreeSetter = std::function<void(TFolderTreeViewEx&)>;
Q_DECLARE_METATYPE(TreeSetter)

namespace {

void MakeFile(const QString& path)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
}

QStringList Captions(const QTreeWidgetItem* parent)
{
    QStringList captions;
    for (int i = 0; i < parent->childCount(); ++i)
        captions << parent->child(i)->text(0);
    return captions;
}

} // namespace

class TestFolderTree : public QObject {
    Q_OBJECT

private:
    QTemporaryDir dir_;
    QString root() const { return dir_.filePath("root"); }
    QString at(const QString& name) const { return root() + "/" + name; }

    // A tree rooted at the layout's folder, shown as its top node.
    std::unique_ptr<TFolderTreeViewEx> manualTree()
    {
        auto tree = std::make_unique<TFolderTreeViewEx>();
        tree->setRootFolderName(root());
        tree->setRootFolder(TFolderTreeViewEx::rfManual);
        return tree;
    }

private slots:
    void init()
    {
        QDir(root()).removeRecursively();
        for (const char* folder : {"a/sub", ".hidden", "B", "item9", "item10", "empty"})
            QDir().mkpath(at(folder));
        for (const char* file : {"page.html", "PAGE.HTM", "notes.txt", "README", "a/inner.html"})
            MakeFile(at(file));
        qputenv("HOME", dir_.filePath("home").toLocal8Bit());
        QDir().mkpath(dir_.filePath("home/web"));
    }

    void listsByTheProperties_data()
    {
        QTest::addColumn<TreeSetter>("set");
        QTest::addColumn<QStringList>("captions");
        const QStringList folders{"a", "B", "empty", "item9", "item10"};
        QTest::newRow("hidden-folders-listed-by-default") << TreeSetter([](TFolderTreeViewEx&) {})
                                                          << QStringList{".hidden"} + folders;
        QTest::newRow("hidden-folders-left-out") << TreeSetter([](TFolderTreeViewEx& t) { t.setShowIncludeHidden(false); })
                                                 << folders;
        QTest::newRow("files-after-folders") << TreeSetter([](TFolderTreeViewEx& t) {
            t.setShowIncludeHidden(false);
            t.setShowFile(true);
        }) << folders + QStringList{"notes.txt", "PAGE.HTM", "page.html", "README"};
        QTest::newRow("mask-ignores-case-and-extensionless") << TreeSetter([](TFolderTreeViewEx& t) {
            t.setShowIncludeHidden(false);
            t.setShowFile(true);
            t.setFileMask({".html", ".htm"});
        }) << folders + QStringList{"PAGE.HTM", "page.html"};
        QTest::newRow("files-first") << TreeSetter([](TFolderTreeViewEx& t) {
            t.setShowIncludeHidden(false);
            t.setShowFile(true);
            t.setFileMask({".txt"});
            t.setInfoViewSort(true);
        }) << QStringList{"notes.txt"} + folders;
    }

    void listsByTheProperties()
    {
        QFETCH(TreeSetter, set);
        QFETCH(QStringList, captions);
        auto tree = manualTree();
        set(*tree);
        QCOMPARE(tree->topLevelItemCount(), 1);
        QTreeWidgetItem* top = tree->topLevelItem(0);
        QCOMPARE(top->text(0), QStringLiteral("root"));
        QVERIFY(top->isExpanded());
        QCOMPARE(Captions(top), captions);
        // Only folders with something in them can be opened.
        QTreeWidgetItem* empty = tree->itemForPath(at("empty"));
        QCOMPARE(empty->childIndicatorPolicy(), QTreeWidgetItem::DontShowIndicator);
        QCOMPARE(tree->itemForPath(at("a"))->childIndicatorPolicy(), QTreeWidgetItem::ShowIndicator);
    }

    void buildsAgainOnlyWhenAPropertyChanges_data()
    {
        QTest::addColumn<TreeSetter>("set");
        QTest::addColumn<bool>("rebuilt");
        const auto row = [](const char* name, TreeSetter set, bool rebuilt) { QTest::newRow(name) << set << rebuilt; };
        row("show-file", [](TFolderTreeViewEx& t) { t.setShowFile(true); }, true);
        row("hidden-changed", [](TFolderTreeViewEx& t) { t.setShowIncludeHidden(false); }, true);
        row("hidden-same", [](TFolderTreeViewEx& t) { t.setShowIncludeHidden(true); }, false);
        row("mask-same-list", [](TFolderTreeViewEx& t) { t.setFileMask({}); }, true);
        row("info-view-sort", [](TFolderTreeViewEx& t) { t.setInfoViewSort(true); }, true);
        row("root-folder-name-same", [this](TFolderTreeViewEx& t) { t.setRootFolderName(root()); }, false);
        row("selected-dir-under-manual-root", [](TFolderTreeViewEx& t) { t.setSelectedDir(TFolderTreeViewEx::sdCurrent); }, false);
        row("stored-only", [](TFolderTreeViewEx& t) {
            t.setShellRun(true);
            t.setAutoUpDate(false);
            t.setContextMenu(false);
            t.setDragAndDrop(false);
        }, false);
    }

    void buildsAgainOnlyWhenAPropertyChanges()
    {
        QFETCH(TreeSetter, set);
        QFETCH(bool, rebuilt);
        auto tree = manualTree();
        QDir().mkpath(at("late"));
        set(*tree);
        QCOMPARE(tree->itemForPath(at("late")) != nullptr, rebuilt);
    }

    void selectsThePlaceHoldingTheCurrentFolder_data()
    {
        QTest::addColumn<int>("selectedDir");
        QTest::addColumn<QString>("current");
        QTest::addColumn<QString>("selected");
        const QString home = dir_.filePath("home");
        QTest::newRow("current-under-home") << int(TFolderTreeViewEx::sdCurrent) << home + "/web" << home;
        QTest::newRow("current-elsewhere") << int(TFolderTreeViewEx::sdCurrent) << root() << "/";
        QTest::newRow("system") << int(TFolderTreeViewEx::sdSystem) << home << "/";
    }

    void selectsThePlaceHoldingTheCurrentFolder()
    {
        QFETCH(int, selectedDir);
        QFETCH(QString, current);
        QFETCH(QString, selected);
        const QString before = QDir::currentPath();
        QVERIFY(QDir::setCurrent(current));
        TFolderTreeViewEx tree;
        QVERIFY(!tree.currentItem()); // sdNone selects nothing
        QCOMPARE(tree.topLevelItem(0)->text(0), QStringLiteral("コンピュータ"));
        QSignalSpy changes(&tree, &TFolderTreeViewEx::OnChange);
        tree.setSelectedDir(TFolderTreeViewEx::TSelectedDir(selectedDir));
        QDir::setCurrent(before);
        QCOMPARE(TFolderTreeViewEx::pathOf(tree.currentItem()), selected);
        QCOMPARE(changes.count(), 1);
        QCOMPARE(changes.last().at(1).toString(), selected);
    }

    void reportsPathsAndTheLastOneWithoutSelection()
    {
        auto tree = manualTree();
        QSignalSpy changes(tree.get(), &TFolderTreeViewEx::OnChange);
        tree->setCurrentItem(tree->itemForPath(at("B")));
        tree->setCurrentItem(tree->topLevelItem(0));
        tree->setCurrentItem(nullptr);
        QCOMPARE(changes.count(), 3);
        QCOMPARE(changes[0].at(1).toString(), at("B"));
        QCOMPARE(changes[1].at(1).toString(), root());
        QCOMPARE(changes[2].at(1).toString(), root());
        QCOMPARE(changes[2].at(0).value<TFolderTreeViewEx*>(), tree.get());
    }

    void folderThatCannotBeListedShowsNoChildren_data()
    {
        QTest::addColumn<bool>("removed"); // else: not readable
        QTest::newRow("removed-after-listing") << true;
        QTest::newRow("not-readable") << false;
    }

    void folderThatCannotBeListedShowsNoChildren()
    {
        QFETCH(bool, removed);
        if (!removed && geteuid() == 0)
            QSKIP("the superuser reads every folder");
        auto tree = manualTree();
        QTreeWidgetItem* a = tree->itemForPath(at("a"));
        if (removed)
            QVERIFY(QDir(at("a")).removeRecursively());
        else
            QVERIFY(QFile::setPermissions(at("a"), QFileDevice::WriteOwner));
        a->setExpanded(true);
        QFile::setPermissions(at("a"), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        QCOMPARE(a->childCount(), 0);
        QCOMPARE(a->childIndicatorPolicy(), QTreeWidgetItem::DontShowIndicator);
    }

    void rootsResolveOrFallBackToTheDrives_data()
    {
        QTest::addColumn<int>("rootFolder");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("path"); // empty: the drives
        QTest::newRow("manual") << int(TFolderTreeViewEx::rfManual) << root() << root();
        QTest::newRow("manual-missing") << int(TFolderTreeViewEx::rfManual) << at("missing") << QString();
        QTest::newRow("appdata-is-xdg-data") << int(TFolderTreeViewEx::rfAppdata) << QString() << dir_.filePath("data");
        QTest::newRow("send-to-has-no-counterpart") << int(TFolderTreeViewEx::rfSendTo) << QString() << QString();
    }

    void rootsResolveOrFallBackToTheDrives()
    {
        QFETCH(int, rootFolder);
        QFETCH(QString, name);
        QFETCH(QString, path);
        qputenv("XDG_DATA_HOME", dir_.filePath("data").toLocal8Bit());
        QDir().mkpath(dir_.filePath("data"));
        TFolderTreeViewEx tree;
        tree.setRootFolderName(name);
        tree.setRootFolder(TFolderTreeViewEx::TRootFolder(rootFolder));
        QCOMPARE(tree.rootPath(), path);
        QCOMPARE(tree.topLevelItem(0)->text(0), path.isEmpty() ? QStringLiteral("コンピュータ") : QFileInfo(path).fileName());
    }

    void virtualRootListsEverything()
    {
        qputenv("XDG_DATA_HOME", dir_.filePath("data").toLocal8Bit());
        const QString trash = dir_.filePath("data/Trash/files");
        QDir().mkpath(trash + "/.gone");
        MakeFile(trash + "/old.txt");
        TFolderTreeViewEx tree;
        tree.setShowIncludeHidden(false);
        tree.setShowRootFolder(false);
        tree.setRootFolder(TFolderTreeViewEx::rf_Bitbucket);
        tree.setShowFile(false);
        tree.setShowRootFolder(false);
        QVERIFY(tree.ShowFile());
        QVERIFY(tree.ShowRootFolder());
        QCOMPARE(tree.topLevelItem(0)->text(0), QStringLiteral("ごみ箱"));
        QCOMPARE(Captions(tree.topLevelItem(0)), (QStringList{".gone", "old.txt"}));
    }

    void newFolderIsMadeAndNamedInPlace()
    {
        auto tree = manualTree();
        tree->show();
        QVERIFY(QTest::qWaitForWindowExposed(tree.get()));
        QSignalSpy changes(tree.get(), &TFolderTreeViewEx::OnChange);
        tree->NewFolderIn(tree->itemForPath(at("B")));
        QVERIFY(QFileInfo(at("B/新しいフォルダ")).isDir());
        auto* editor = qobject_cast<QLineEdit*>(QApplication::focusWidget());
        QVERIFY(editor);
        editor->setText("named");
        QTest::keyClick(editor, Qt::Key_Return);
        QTRY_VERIFY(QFileInfo(at("B/named")).isDir());
        QVERIFY(!QFileInfo::exists(at("B/新しいフォルダ")));
        QCOMPARE(changes.last().at(1).toString(), at("B/named"));
        QVERIFY(tree->itemForPath(at("B/named")));
    }

    void renameOntoATakenNameIsRefused()
    {
        auto tree = manualTree();
        tree->show();
        QVERIFY(QTest::qWaitForWindowExposed(tree.get()));
        QTreeWidgetItem* b = tree->itemForPath(at("B"));
        tree->StartRename(b);
        auto* editor = qobject_cast<QLineEdit*>(QApplication::focusWidget());
        QVERIFY(editor);
        QString said;
        WhenModal<QMessageBox>([&said](QMessageBox* box) {
            said = box->windowTitle() + "|" + box->text();
            box->accept();
        });
        editor->setText("empty");
        QTest::keyClick(editor, Qt::Key_Return);
        QTRY_VERIFY(!said.isEmpty());
        QCOMPARE(said, QStringLiteral(" FolderTreeViewEx component version 2.11|InvokeCommand failed!"));
        QCOMPARE(b->text(0), QStringLiteral("B"));
        QVERIFY(QFileInfo(at("B")).isDir());
    }

    void dropsMoveOrCopyIntoAFolder_data()
    {
        QTest::addColumn<int>("action");
        QTest::addColumn<QString>("source");
        QTest::addColumn<QString>("target");
        QTest::addColumn<bool>("sourceStays");
        QTest::addColumn<bool>("arrives");
        QTest::newRow("move-folder") << int(Qt::MoveAction) << "item9" << "B" << false << true;
        QTest::newRow("copy-folder-with-contents") << int(Qt::CopyAction) << "a" << "B" << true << true;
        QTest::newRow("move-file") << int(Qt::MoveAction) << "notes.txt" << "empty" << false << true;
        QTest::newRow("not-into-itself") << int(Qt::MoveAction) << "a" << "a/sub" << true << false;
    }

    void dropsMoveOrCopyIntoAFolder()
    {
        QFETCH(int, action);
        QFETCH(QString, source);
        QFETCH(QString, target);
        QFETCH(bool, sourceStays);
        QFETCH(bool, arrives);
        auto tree = manualTree();
        tree->setShowFile(true);
        tree->resize(300, 500);
        tree->show();
        QVERIFY(QTest::qWaitForWindowExposed(tree.get()));
        if (!tree->itemForPath(at(target))) // a folder one level down: open its parent first
            tree->itemForPath(QFileInfo(at(target)).absolutePath())->setExpanded(true);
        QTreeWidgetItem* into = tree->itemForPath(at(target));
        bool refused = false;
        if (!arrives)
            WhenModal<QMessageBox>([&refused](QMessageBox* box) {
                refused = true;
                box->accept();
            });
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(at(source))});
        const QPoint pos = tree->visualItemRect(into).center();
        const auto dropAction = Qt::DropAction(action);
        QDragEnterEvent enter(pos, dropAction, &data, Qt::LeftButton, Qt::NoModifier);
        QDragMoveEvent move(pos, dropAction, &data, Qt::LeftButton, Qt::NoModifier);
        QDropEvent drop(pos, dropAction, &data, Qt::LeftButton, Qt::NoModifier);
        for (QEvent* event : std::initializer_list<QEvent*>{&enter, &move, &drop})
            QApplication::sendEvent(tree->viewport(), event);
        QVERIFY(move.isAccepted());

        // The files move once the drop is over.
        const QString arrived = at(target + "/" + QFileInfo(source).fileName());
        QTRY_COMPARE(QFileInfo::exists(arrived), arrives);
        QCOMPARE(QFileInfo::exists(at(source)), sourceStays);
        if (arrives) {
            // The tree lists the folders again once the drop is over.
            QTRY_COMPARE(tree->itemForPath(at(source)) != nullptr, sourceStays);
            tree->itemForPath(at(target))->setExpanded(true);
            QVERIFY(tree->itemForPath(arrived));
            if (source == "a")
                QVERIFY(QFile::exists(arrived + "/inner.html"));
        } else {
            QTRY_VERIFY(refused);
            QVERIFY(QFileInfo::exists(at(source)));
        }
    }

    void fileCommandsNeverReplaceAnything_data()
    {
        QTest::addColumn<QString>("source");
        QTest::addColumn<QString>("name"); // a rename; empty: a move into the layout's root
        QTest::addColumn<QString>("reason");
        const QString taken = QStringLiteral("同じ名前のファイルまたはフォルダが既にあります");
        QTest::newRow("rename-onto-a-file") << "notes.txt" << "README" << taken;
        QTest::newRow("rename-onto-an-empty-folder") << "B" << "empty" << taken;
        QTest::newRow("rename-with-separator") << "B" << "x/y" << QStringLiteral("使えない名前です");
        QTest::newRow("move-onto-a-name") << "a/inner.html" << "" << taken;
    }

    void fileCommandsNeverReplaceAnything()
    {
        QFETCH(QString, source);
        QFETCH(QString, name);
        QFETCH(QString, reason);
        MakeFile(at("inner.html"));
        const std::optional<QString> failed = name.isEmpty() ? FileOperations::MoveInto(at(source), root())
                                                             : FileOperations::Rename(at(source), name);
        QCOMPARE(failed.value_or(QString()), reason);
        for (const char* kept : {"notes.txt", "README", "B", "empty", "inner.html", "a/inner.html"})
            QVERIFY(QFileInfo::exists(at(kept)));
    }
};

QTEST_MAIN(TestFolderTree)
#include "tst_foldertree.moc"
