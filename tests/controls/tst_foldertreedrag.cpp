// On a real X server: a folder dragged onto another folder of the tree is
// moved there on disk, and the tree shows what the disk holds.
#include "controls/TFolderTreeViewEx.h"

#include <QDrag>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

class TestFolderTreeDrag : public QObject {
    Q_OBJECT

private slots:
    void folderDraggedOntoAFolderMovesOnDisk_data()
    {
        QTest::addColumn<bool>("allowed"); // the answer to the question before the move
        QTest::newRow("moved") << true;
        QTest::newRow("refused-stays-in-place") << false;
    }
    void folderDraggedOntoAFolderMovesOnDisk()
    {
        QFETCH(bool, allowed);
        QTemporaryDir dir;
        const QString root = dir.filePath("root");
        QVERIFY(QDir().mkpath(root + "/from/inner"));
        QVERIFY(QDir().mkpath(root + "/into"));
        TFolderTreeViewEx tree;
        tree.setRootFolderName(root);
        tree.setRootFolder(TFolderTreeViewEx::rfManual);
        tree.resize(300, 300);
        tree.show();
        QVERIFY(QTest::qWaitForWindowExposed(&tree));
        QStringList asked;
        tree.setMoveQuestion([&asked, allowed](const QString& source, const QString& folder) {
            asked << source + " -> " + folder;
            return allowed;
        });
        QWidget* viewport = tree.viewport();
        const QPoint from = tree.visualItemRect(tree.itemForPath(root + "/from")).center();
        const QPoint into = tree.visualItemRect(tree.itemForPath(root + "/into")).center();

        // The drag runs its own event loop: once it is there, the pointer
        // moves onto the target and lets go.
        QTimer drop;
        connect(&drop, &QTimer::timeout, [&] {
            if (!tree.findChild<QDrag*>())
                return;
            drop.stop();
            QTest::mouseMove(viewport, into + QPoint(0, 1));
            QTest::mouseMove(viewport, into);
            QTest::mouseRelease(viewport, Qt::LeftButton, {}, into);
        });
        drop.start(20);
        QTest::mousePress(viewport, Qt::LeftButton, {}, from);
        QTest::mouseMove(viewport, from + QPoint(4, 0));
        QTest::mouseMove(viewport, from + QPoint(40, 0)); // starts the drag; back after the drop

        QTRY_COMPARE(asked, QStringList{root + "/from -> " + root + "/into"});
        QTRY_COMPARE(QFileInfo::exists(root + "/into/from/inner"), allowed);
        QCOMPARE(QFileInfo::exists(root + "/from"), !allowed);
        QTRY_COMPARE(tree.itemForPath(root + "/from") != nullptr, !allowed);
        tree.itemForPath(root + "/into")->setExpanded(true);
        QCOMPARE(tree.itemForPath(root + "/into/from") != nullptr, allowed);
    }
};

QTEST_MAIN(TestFolderTreeDrag)
#include "tst_foldertreedrag.moc"
