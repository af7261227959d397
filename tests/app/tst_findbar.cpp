// The find bar in the main window, driven by its keys: Ctrl+F, the count,
// F3 and Shift+F3 through names and bodies, replace, replace all, and undo.
#include "app/TformMain.h"
#include "editor/ColourEditor.h"
#include "page/PageDocument.h"
#include "ui_TformMain.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QTest>

namespace {

// The texts find and replace change; the caret is kept without a step as
// the selection moves, so the page file is no measure here.
QByteArrayList Texts(const Page& page)
{
    QByteArrayList texts;
    for (const Node* node : page.NodesInDocumentOrder())
        texts << QByteArray::fromStdString(node->name()) << QByteArray::fromStdString(node->record().Body);
    return texts;
}

void Key(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    QTest::keyClick(QApplication::focusWidget(), Qt::Key(key), modifiers);
}

} // namespace

class TestFindBar : public QObject {
    Q_OBJECT
private slots:
    void findsMovesReplacesAndUndoes()
    {
        PageDocument document;
        Page& page = document.page();
        Node* one = page.AddSiblingNode(nullptr);
        page.RenameNode(one, "one");
        one->record().Body = "a cat\r\ncat";
        Node* two = page.AddSiblingNode(nullptr);
        page.RenameNode(two, "Cat tree");
        Settings settings;
        TformMain window(document, settings);
        window.resize(640, 600);
        window.show();
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        window.selectNode(one);
        ColourEditor* editor = window.form().RichEdit;
        editor->setFocus();
        editor->setSelection(0, 0);
        auto* bar = window.findChild<QWidget*>(QStringLiteral("FindBar"));
        auto* count = bar->findChild<QLabel*>(QStringLiteral("lablCount"));
        const QByteArrayList original = Texts(page);

        Key(Qt::Key_F, Qt::ControlModifier);
        QVERIFY(bar->isVisible());
        QCOMPARE(window.width(), 640); // the bar fits the window; it does not widen it
        QCOMPARE(QApplication::focusWidget()->objectName(), QStringLiteral("editFindText"));
        QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("cat"));
        QTRY_COMPARE(count->text(), QStringLiteral("3 件"));

        // Document order, a node's name before its body; round the page.
        const struct {
            int key;
            Qt::KeyboardModifiers modifiers;
            Node* node;
            int start; // -1: a name
            const char* count;
        } moves[] = {
            {Qt::Key_F3, Qt::NoModifier, one, 2, "1 / 3"},    {Qt::Key_F3, Qt::NoModifier, one, 6, "2 / 3"},
            {Qt::Key_F3, Qt::NoModifier, two, -1, "3 / 3"},   {Qt::Key_F3, Qt::NoModifier, one, 2, "1 / 3"},
            {Qt::Key_F3, Qt::ShiftModifier, two, -1, "3 / 3"}, {Qt::Key_Return, Qt::NoModifier, one, 2, "1 / 3"},
        };
        for (const auto& move : moves) {
            Key(move.key, move.modifiers);
            QCOMPARE(window.selectedNode(), move.node);
            QCOMPARE(count->text(), QString::fromUtf8(move.count));
            if (move.start >= 0) {
                QCOMPARE(editor->selectionStart(), move.start);
                QCOMPARE(editor->selectionLength(), 3);
            }
        }

        // Replace the shown match; the next one is shown.
        Key(Qt::Key_H, Qt::ControlModifier);
        QTest::keyClicks(bar->findChild<QLineEdit*>(QStringLiteral("editReplaceText")), QStringLiteral("dog"));
        QTest::keyClick(bar->findChild<QLineEdit*>(QStringLiteral("editReplaceText")), Qt::Key_Return);
        QCOMPARE(QByteArray::fromStdString(one->record().Body), QByteArray("a dog\r\ncat"));
        QCOMPARE(count->text(), QStringLiteral("1 / 2"));
        QCOMPARE(editor->selectionStart(), 6);
        const QByteArrayList afterOne = Texts(page);

        bar->findChild<QPushButton*>(QStringLiteral("bttnReplaceAll"))->click();
        QCOMPARE(QByteArray::fromStdString(one->record().Body), QByteArray("a dog\r\ndog"));
        QCOMPARE(QByteArray::fromStdString(two->name()), QByteArray("dog tree"));
        QCOMPARE(editor->text(), QStringLiteral("a dog\ndog"));
        QCOMPARE(count->text(), QStringLiteral("0 件"));
        QCOMPARE(window.statusBar()->currentMessage(), QStringLiteral("2 件置換しました。"));

        // Escape gives the focus back; each replace is one step.
        Key(Qt::Key_Escape);
        QVERIFY(!bar->isVisible());
        QCOMPARE(QApplication::focusWidget(), editor);
        Key(Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(Texts(page), afterOne);
        Key(Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(Texts(page), original);
        QCOMPARE(editor->text(), QStringLiteral("a cat\ncat"));
    }
};

QTEST_MAIN(TestFindBar)
#include "tst_findbar.moc"
