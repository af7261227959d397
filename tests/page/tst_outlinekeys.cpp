// The outline's keys on the document: each move and the add-after as one
// step, with the outline before and after, and its undo and redo.
#include "common/OutlineShape.h"
#include "page/PageDocument.h"

#include <QTest>

namespace {




} // namespace

class TestOutlineKeys : public QObject {
    Q_OBJECT

private slots:
    void keyStepsUndoAndRedo_data()
    {
        QTest::addColumn<QString>("before");
        QTest::addColumn<QString>("selected"); // empty: nothing selected
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("after"); // empty: refused, no step
        QTest::newRow("up") << "a b c" << "c" << "up" << "a c b";
        QTest::newRow("up, first of its siblings") << "a(b c)" << "b" << "up" << "";
        QTest::newRow("up takes the subtree") << "a b(c d)" << "b" << "up" << "b(c d) a";
        QTest::newRow("down") << "a b c" << "a" << "down" << "b a c";
        QTest::newRow("down, last of its siblings") << "a(b c) d" << "c" << "down" << "";
        QTest::newRow("indent: the previous sibling's last child") << "a(x) b c" << "b" << "indent" << "a(x b) c";
        QTest::newRow("indent, no previous sibling") << "a(b) c" << "b" << "indent" << "";
        QTest::newRow("indent takes the subtree") << "a b(c)" << "b" << "indent" << "a(b(c))";
        QTest::newRow("outdent: the parent's next sibling") << "a(b c) d" << "b" << "outdent" << "a(c) b d";
        QTest::newRow("outdent from a deep level") << "a(b(c(d)))" << "d" << "outdent" << "a(b(c d))";
        QTest::newRow("outdent, top level") << "a b" << "a" << "outdent" << "";
        QTest::newRow("add after") << "a(b c) d" << "b" << "add-after" << "a(b new c) d";
        QTest::newRow("add after the last") << "a b" << "b" << "add-after" << "a b new";
        QTest::newRow("add after, nothing selected") << "a(b) c" << "" << "add-after" << "a(b) c new";
    }
    void keyStepsUndoAndRedo()
    {
        QFETCH(QString, before);
        QFETCH(QString, selected);
        QFETCH(QString, command);
        QFETCH(QString, after);
        PageDocument document;
        Page& page = document.page();
        BuildOutline(page, before);
        QCOMPARE(Shape(page.topLevelNodes()), before);
        Node* node = selected.isEmpty() ? nullptr : Find(page, selected);
        const std::map<QString, KeyMove> moves{
            {"up", KeyMove::Up}, {"down", KeyMove::Down}, {"indent", KeyMove::Indent}, {"outdent", KeyMove::Outdent}};
        if (command == "add-after") {
            page.RenameNode(document.AddSiblingAfter(node), "new");
        } else {
            QCOMPARE(page.KeyMoveDestination(node, moves.at(command)).has_value(), !after.isEmpty());
            QCOMPARE(document.MoveByKey(node, moves.at(command)), !after.isEmpty());
        }
        if (after.isEmpty()) {
            QCOMPARE(Shape(page.topLevelNodes()), before);
            QVERIFY(!document.CanUndo());
            return;
        }
        QCOMPARE(Shape(page.topLevelNodes()), after);
        QVERIFY(document.IsModified());
        document.Undo();
        QCOMPARE(Shape(page.topLevelNodes()), before);
        QVERIFY(!document.IsModified());
        document.Redo();
        QCOMPARE(Shape(page.topLevelNodes()), after);
    }
};

QTEST_GUILESS_MAIN(TestOutlineKeys)
#include "tst_outlinekeys.moc"
