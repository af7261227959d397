// The tree's item model over the page, checked by Qt's model tester while
// the page changes, and the drop and scroll rules of the tree.
#include "app/DropRules.h"
#include "app/OutlineModel.h"
#include "document/TextCodec.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <QTest>

namespace {

// "a(b c) d": the names in document order with their children in brackets.
QString Shape(const QAbstractItemModel& model, const QModelIndex& parent = {})
{
    QStringList parts;
    for (int row = 0; row < model.rowCount(parent); ++row) {
        const QModelIndex i = model.index(row, 0, parent);
        QString part = i.data().toString();
        if (model.rowCount(i) > 0)
            part += QLatin1Char('(') + Shape(model, i) + QLatin1Char(')');
        parts << part;
    }
    return parts.join(QLatin1Char(' '));
}

void Name(Page& page, Node* node, const char* name)
{
    page.RenameNode(node, name);
}

} // namespace

class TestOutlineModel : public QObject {
    Q_OBJECT
private slots:
    void followsEveryOutlineChange()
    {
        Page page;
        OutlineModel model(page);
        QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);

        Node* a = page.AddSiblingNode(nullptr);
        Name(page, a, "a");
        Node* b = page.AddChildNode(a);
        Name(page, b, "b");
        Node* c = page.AddSiblingNode(nullptr);
        Name(page, c, "c");
        Node* d = page.AddChildNode(b);
        Name(page, d, "d");
        QCOMPARE(Shape(model), QStringLiteral("a(b(d)) c"));

        page.MoveNode(c, a, Placement::AsLastChild);
        QCOMPARE(Shape(model), QStringLiteral("a(b(d) c)"));
        page.MoveNode(c, b, Placement::BeforeTarget);
        QCOMPARE(Shape(model), QStringLiteral("a(c b(d))"));
        page.MoveNode(d, a, Placement::AsLastSibling);
        QCOMPARE(Shape(model), QStringLiteral("a(c b) d"));
        page.MoveNode(a, nullptr, Placement::BeforeTarget);
        QCOMPARE(Shape(model), QStringLiteral("d a(c b)"));
        page.DeleteNode(c);
        QCOMPARE(Shape(model), QStringLiteral("d a(b)"));
        page.ResetPage({});
        QCOMPARE(model.rowCount(), 0);
    }

    void moveToItsOwnPlaceChangesNothing()
    {
        Page page;
        OutlineModel model(page);
        QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        Node* a = page.AddSiblingNode(nullptr);
        Name(page, a, "a");
        Node* b = page.AddSiblingNode(nullptr);
        Name(page, b, "b");
        QSignalSpy moves(&model, &QAbstractItemModel::rowsMoved);
        page.MoveNode(b, nullptr, Placement::BeforeTarget); // already the last top-level node
        page.MoveNode(a, b, Placement::BeforeTarget);       // already before b
        QCOMPARE(moves.count(), 0);
        QCOMPARE(Shape(model), QStringLiteral("a b"));
        const QPersistentModelIndex kept = model.indexOf(b);
        page.MoveNode(b, a, Placement::BeforeTarget);
        QCOMPARE(Shape(model), QStringLiteral("b a"));
        QCOMPARE(model.nodeAt(kept), b); // views keep their selection through a move
    }

    void imageIndexFollowsRecord_data()
    {
        QTest::addColumn<bool>("publish");
        QTest::addColumn<bool>("hide");
        QTest::addColumn<int>("image");
        QTest::newRow("normal") << true << false << 0;
        QTest::newRow("hidden") << true << true << 1;
        QTest::newRow("unpublished") << false << false << 2;
        QTest::newRow("unpublished-and-hidden") << false << true << 2;
    }
    void imageIndexFollowsRecord()
    {
        QFETCH(bool, publish);
        QFETCH(bool, hide);
        QFETCH(int, image);
        Page page;
        OutlineModel model(page);
        Node* node = page.AddSiblingNode(nullptr);
        node->record().Publish = publish;
        node->record().Hide = hide;
        QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
        model.RefreshIcons();
        QCOMPARE(changed.count(), 1);
        const QModelIndex i = model.indexOf(node);
        QCOMPARE(i.data(OutlineModel::ImageIndexRole).toInt(), image);
        QCOMPARE(i.data(OutlineModel::SelectedImageIndexRole).toInt(), image + 3);
    }

    void renamingThroughTheModel()
    {
        Page page;
        OutlineModel model(page);
        Node* node = page.AddSiblingNode(nullptr);
        QCOMPARE(model.indexOf(node).data().toString(), QString::fromUtf8("\xe6\x96\xb0\xe3\x81\x97\xe3\x81\x84\xe3\x83\x8e\xe3\x83\xbc\xe3\x83\x89"));
        QVERIFY(model.setData(model.indexOf(node), QString::fromUtf8("\xe8\xa6\x8b\xe5\x87\xba\xe3\x81\x97")));
        QCOMPARE(node->name(), SjisString("\x8c\xa9\x8f\x6f\x82\xb5"));

        // A name code page 932 cannot hold is refused whole, with the character named.
        QSignalSpy rejected(&model, &OutlineModel::nameRejected);
        QVERIFY(!model.setData(model.indexOf(node), QString::fromUtf8("ok\xf0\x9f\x98\x80")));
        QCOMPARE(rejected.count(), 1);
        QCOMPARE(rejected.at(0).at(0).toString(), QString::fromUtf8("\xf0\x9f\x98\x80"));
        QCOMPARE(node->name(), SjisString("\x8c\xa9\x8f\x6f\x82\xb5"));
    }

    void dropZone_data()
    {
        QTest::addColumn<bool>("onRow");
        QTest::addColumn<bool>("belowLastRow");
        QTest::addColumn<bool>("hasButton");
        QTest::addColumn<int>("x");
        QTest::addColumn<int>("zone");
        // Row: indentation 0-18, button 19-37, icon 38-59, label 60-119.
        QTest::newRow("label") << true << false << true << 80 << int(DropZone::Label);
        QTest::newRow("label-first-pixel") << true << false << true << 60 << int(DropZone::Label);
        QTest::newRow("icon") << true << false << true << 45 << int(DropZone::IconOrEmpty);
        QTest::newRow("indentation") << true << false << true << 5 << int(DropZone::Indentation);
        QTest::newRow("expand-button") << true << false << true << 25 << int(DropZone::Nothing);
        QTest::newRow("button-column-without-children") << true << false << false << 25 << int(DropZone::Indentation);
        QTest::newRow("right-of-label") << true << false << true << 200 << int(DropZone::Nothing);
        QTest::newRow("below-last-row") << false << true << false << 80 << int(DropZone::IconOrEmpty);
        QTest::newRow("outside") << false << false << false << 80 << int(DropZone::Nothing);
    }
    void dropZone()
    {
        QFETCH(bool, onRow);
        QFETCH(bool, belowLastRow);
        QFETCH(bool, hasButton);
        QFETCH(int, x);
        QFETCH(int, zone);
        TreeRowHit hit{onRow, belowLastRow, x, 19, 38, hasButton, 60, 120};
        QCOMPARE(int(DropZoneAt(hit)), zone);
    }

    void zonesPlaceAsTheyShould()
    {
        QCOMPARE(PlacementFor(DropZone::Label), std::optional(Placement::AsLastChild));
        QCOMPARE(PlacementFor(DropZone::IconOrEmpty), std::optional(Placement::BeforeTarget));
        QCOMPARE(PlacementFor(DropZone::Indentation), std::optional(Placement::AsLastSibling));
        QVERIFY(!PlacementFor(DropZone::Nothing));
    }

    void dragScrollDirection_data()
    {
        QTest::addColumn<int>("clientHeight");
        QTest::addColumn<int>("rowTop");
        QTest::addColumn<int>("expected");
        // Rows 20 pixels high: three rows are 60 pixels.
        QTest::newRow("near-bottom") << 300 << 230 << int(ScrollDirection::Down);
        QTest::newRow("bottom-edge-of-zone") << 300 << 220 << int(ScrollDirection::None);
        QTest::newRow("near-top") << 300 << 40 << int(ScrollDirection::Up);
        QTest::newRow("top-edge-of-zone") << 300 << 60 << int(ScrollDirection::None);
        QTest::newRow("middle") << 300 << 140 << int(ScrollDirection::None);
        QTest::newRow("tiny-tree-scrolls-down") << 50 << 0 << int(ScrollDirection::Down);
    }
    void dragScrollDirection()
    {
        QFETCH(int, clientHeight);
        QFETCH(int, rowTop);
        QFETCH(int, expected);
        QCOMPARE(int(DragScrollDirection(clientHeight, rowTop, rowTop + 20, 20)), expected);
    }
};

QTEST_GUILESS_MAIN(TestOutlineModel)
#include "tst_outlinemodel.moc"
