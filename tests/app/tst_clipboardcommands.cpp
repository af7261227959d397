// The clipboard keys in the main window: they serve the control that has
// the focus, and each command on nodes is one step.
#include "common/OutlineShape.h"
#include "app/TformMain.h"
#include "app/OutlineTreeView.h"
#include "document/OutlineText.h"
#include "document/PageFile.h"
#include "editor/ColourEditor.h"
#include "page/PageDocument.h"
#include "ui_TformMain.h"

#include <QApplication>
#include <QClipboard>
#include <QMimeData>
#include <QTest>

namespace {


QByteArray Bytes(const Page& page)
{
    return PageFileBytes(ImageOfPage(page)).value();
}

} // namespace

class TestClipboardCommands : public QObject {
    Q_OBJECT
private slots:
    void keysServeTheFocusedControl_data();
    void keysServeTheFocusedControl();
};

void TestClipboardCommands::keysServeTheFocusedControl_data()
{
    QTest::addColumn<QString>("typed"); // into the editor first, with no pause after it
    QTest::addColumn<bool>("inTree");   // else the editor has the focus
    QTest::addColumn<QString>("keys");
    QTest::addColumn<int>("selected"); // index in document order
    QTest::addColumn<QString>("shape");
    QTest::addColumn<int>("selectedAfter");
    // Every row starts from a(b) c, with x(y) on the clipboard as indented text.
    QTest::newRow("tree-paste-after") << "" << true << "Ctrl+V" << 1 << "a(b x(y)) c" << 2;
    QTest::newRow("tree-paste-as-child") << "" << true << "Ctrl+Shift+V" << 1 << "a(b(x(y))) c" << 2;
    QTest::newRow("tree-duplicate") << "" << true << "Ctrl+Shift+D" << 0 << "a(b) a(b) c" << 2;
    QTest::newRow("tree-cut") << "" << true << "Ctrl+X" << 0 << "c" << 0;
    QTest::newRow("tree-copy-right-after-typing") << "typed" << true << "Ctrl+C" << 1 << "a(b) c" << 1;
    QTest::newRow("editor-paste-is-text") << "" << false << "Ctrl+V" << 1 << "a(b) c" << 1;
    QTest::newRow("editor-duplicate-does-nothing") << "" << false << "Ctrl+Shift+D" << 1 << "a(b) c" << 1;
}

void TestClipboardCommands::keysServeTheFocusedControl()
{
    QFETCH(QString, typed);
    QFETCH(bool, inTree);
    QFETCH(QString, keys);
    QFETCH(int, selected);
    QFETCH(QString, shape);
    QFETCH(int, selectedAfter);
    PageDocument document;
    Page& page = document.page();
    page.ReplaceOutline(ParseOutlineText("a\r\n\tb\r\nc").topLevel);
    for (Node* n : page.NodesInDocumentOrder())
        n->record().Body = "<p>" + n->name() + "\x81\x7f";
    Settings settings;
    TformMain window(document, settings);
    window.show();
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->setText(QStringLiteral("x\n\ty"));
    const QByteArray before = Bytes(page);
    window.selectNode(page.NodeAt(selected));
    const QByteArray selectedBody = QByteArray::fromStdString(page.NodeAt(selected)->record().Body);
    ColourEditor* editor = window.form().RichEdit;
    editor->setFocus();
    QTest::keyClicks(editor, typed);
    QWidget* focus = inTree ? static_cast<QWidget*>(window.form().TreeView) : editor;
    focus->setFocus();
    const QString editorText = editor->text();
    // The node-only commands follow the focus.
    QCOMPARE(window.form().MainMenu_EK->isEnabled(), inTree);
    QCOMPARE(window.form().MainMenu_EL->isEnabled(), inTree);

    QTest::keySequence(focus, QKeySequence(keys));
    QCOMPARE(Shape(page.topLevelNodes()), shape);
    QCOMPARE(window.selectedNode(), page.NodeAt(selectedAfter));
    if (!inTree && keys == QLatin1String("Ctrl+V"))
        QCOMPARE(editor->text(), QStringLiteral("x\n\ty") + editorText);
    if (keys == QLatin1String("Ctrl+X") || keys == QLatin1String("Ctrl+C")) {
        const NodeClipboard::Pasted copied = NodeClipboard::Paste(*clipboard->mimeData());
        QCOMPARE(copied.nodes.size(), size_t(1));
        QCOMPARE(QByteArray::fromStdString(copied.nodes.front()->record().Body),
                 typed.toLatin1() + selectedBody);
    }
    // One step, whatever it did (and the typing one more).
    window.UndoPage();
    if (!typed.isEmpty())
        window.UndoPage();
    QCOMPARE(Bytes(page), before);
    QVERIFY(!document.CanUndo());
}

QTEST_MAIN(TestClipboardCommands)
#include "tst_clipboardcommands.moc"
