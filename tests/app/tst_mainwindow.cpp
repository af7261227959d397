// The main window as a user meets it: real widgets on the offscreen platform.
#include "common/OutlineShape.h"
#include "app/OutlineModel.h"
#include "app/OutlineTreeView.h"
#include "app/TformMain.h"
#include "page/PageDocument.h"
#include "document/PageFile.h"
#include "document/TextCodec.h"
#include "editor/ColourEditor.h"
#include "settings/SettingsStore.h"
#include "ui_TformMain.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QScrollBar>
#include <QSplitter>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

namespace {

Node* AddNode(Page& page, Node* parent, const char* name, const char* body = "")
{
    Node* node = parent ? page.AddChildNode(parent) : page.AddSiblingNode(nullptr);
    page.RenameNode(node, name);
    node->record().Body = body;
    return node;
}




void TypeComposed(QWidget* editor, const QString& text)
{
    QInputMethodEvent event;
    event.setCommitString(text);
    QApplication::sendEvent(editor, &event);
}

// A window on its page, shown and active, as the user would find it.
struct Fixture {
    PageDocument document;
    Page& page = document.page();
    Settings settings;
    std::unique_ptr<TformMain> window;

    void open()
    {
        window = std::make_unique<TformMain>(document, settings);
        window->resize(640, 600);
        window->show();
        window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window.get()));
        window->ApplyViewSettings();
    }
    Ui::TformMain& ui() { return window->form(); }
    OutlineTreeView* tree() { return ui().TreeView; }
    ColourEditor* editor() { return ui().RichEdit; }
    void select(Node* node) { window->selectNode(node); }
    QModelIndex indexOf(Node* node) { return window->outlineModel().indexOf(node); }
};

} // namespace

class TestMainWindow : public QObject {
    Q_OBJECT
private slots:
    void typedTextIsStoredAndComesBack_data()
    {
        QTest::addColumn<bool>("saveCurPos");
        QTest::newRow("caret-restored") << true;
        QTest::newRow("caret-not-restored") << false;
    }
    void typedTextIsStoredAndComesBack()
    {
        QFETCH(bool, saveCurPos);
        Fixture f;
        f.settings.EditorSaveCurPos = saveCurPos;
        Node* one = AddNode(f.page, nullptr, "one", "<p>x</p>");
        Node* two = AddNode(f.page, nullptr, "two", "abc\r\ndef");
        f.open();
        f.select(one);
        f.editor()->setFocus();
        f.editor()->setSelection(8, 0);
        QTest::keyClicks(f.editor(), QStringLiteral("hi"));
        TypeComposed(f.editor(), QString::fromUtf8("\xe3\x81\x82")); // one double-byte character
        QTest::keyClick(f.editor(), Qt::Key_Return);
        QTest::keyClicks(f.editor(), QStringLiteral("z"));
        f.editor()->setSelection(10, 2); // the double-byte character and the line break

        f.select(two);
        QCOMPARE(QByteArray::fromStdString(one->record().Body), QByteArray("<p>x</p>hi\x82\xa0\r\nz"));
        QCOMPARE(one->record().SelStart, 10);
        QCOMPARE(one->record().SelLength, 4);
        QCOMPARE(f.editor()->text(), QStringLiteral("abc\ndef"));
        f.editor()->setSelection(0, 0);

        f.select(one);
        QCOMPARE(f.editor()->text(), QString::fromUtf8("<p>x</p>hi\xe3\x81\x82\nz"));
        QCOMPARE(f.ui().editNodeName->text(), QStringLiteral("one"));
        QCOMPARE(f.editor()->selectionStart(), saveCurPos ? 10 : 0);
        QCOMPARE(f.editor()->selectionLength(), saveCurPos ? 2 : 0);
    }

    void savingStoresTheEditorFirst()
    {
        QTemporaryDir dir;
        Fixture f;
        Node* node = AddNode(f.page, nullptr, "n", "old");
        f.page.DatabasePath = TextCodec::FromUnicodeWithReferences(dir.path() + QLatin1Char('/'));
        f.page.FileName = "page.html";
        f.open();
        f.select(node);
        f.editor()->setSelection(3, 0);
        QTest::keyClicks(f.editor(), QStringLiteral(" new"));
        PageFileContext context;
        context.StartFolder = f.page.DatabasePath;
        f.window->StoreBoundNode();
        QVERIFY(WritePageFile(f.page, context).ok());

        Page reread;
        reread.DatabasePath = f.page.DatabasePath;
        reread.FileName = f.page.FileName;
        QVERIFY(ReadPageFile(reread, context).ok());
        QCOMPARE(reread.NodeAt(0)->record().Body, SjisString("old new"));
        QCOMPARE(reread.NodeAt(0)->record().SelStart, 7);
    }

    void untouchedBodyKeepsItsBytes()
    {
        Fixture f;
        // 0xA0 is no character of code page 932: decoding and encoding would change it.
        Node* odd = AddNode(f.page, nullptr, "odd", "a\xa0" "b\rc");
        Node* other = AddNode(f.page, nullptr, "other");
        f.open();
        f.select(odd);
        f.select(other);
        QCOMPARE(QByteArray::fromStdString(odd->record().Body), QByteArray("a\xa0" "b\rc"));
    }

    void unencodableTypingBecomesReference()
    {
        Fixture f;
        Node* node = AddNode(f.page, nullptr, "n");
        Node* other = AddNode(f.page, nullptr, "m");
        f.open();
        f.select(node);
        f.editor()->setFocus();
        TypeComposed(f.editor(), QString::fromUtf8("\xf0\x9f\x98\x80"));
        f.select(other);
        QCOMPARE(node->record().Body, SjisString("&#x1F600;"));
        QCOMPARE(node->record().SelStart, 9);
    }

    void editorIsReadOnlyWhileNothingIsBound()
    {
        Fixture f;
        Node* node = AddNode(f.page, nullptr, "n");
        f.open();
        f.window->ClearBinding();
        QVERIFY(f.editor()->isReadOnly());
        QTest::keyClicks(f.editor(), QStringLiteral("lost"));
        QVERIFY(f.editor()->text().isEmpty());
        f.select(node);
        QVERIFY(!f.editor()->isReadOnly());
        QCOMPARE(f.window->boundNode(), node);
    }

    void checkBoxesChangeTheIconAtOnce()
    {
        Fixture f;
        Node* node = AddNode(f.page, nullptr, "n");
        f.open();
        f.select(node);
        QTest::mouseClick(f.ui().sbtnNodeProperty, Qt::LeftButton);
        QVERIFY(f.window->propertyBarExpanded());
        QVERIFY(f.ui().cboxPublish->isVisible());
        const QModelIndex index = f.indexOf(node);

        QTest::mouseClick(f.ui().cboxPublish, Qt::LeftButton);
        QVERIFY(!node->record().Publish);
        QCOMPARE(index.data(OutlineModel::ImageIndexRole).toInt(), 2);
        QCOMPARE(index.data(OutlineModel::SelectedImageIndexRole).toInt(), 5);

        QTest::mouseClick(f.ui().cboxPublish, Qt::LeftButton);
        QTest::mouseClick(f.ui().cboxHide, Qt::LeftButton);
        QVERIFY(node->record().Hide);
        QCOMPARE(index.data(OutlineModel::ImageIndexRole).toInt(), 1);
        QCOMPARE(index.data(OutlineModel::SelectedImageIndexRole).toInt(), 4);

        QTest::mouseClick(f.ui().sbtnNodeProperty, Qt::LeftButton);
        QVERIFY(!f.window->propertyBarExpanded());
        QVERIFY(!f.ui().cboxPublish->isVisible());
        QVERIFY(!f.ui().cboxEditSource->isVisible());
        QVERIFY(f.ui().cboxEditSource->isChecked());
    }

    void addRenameAndDeleteByKeyboard()
    {
        Fixture f;
        f.open();
        f.tree()->setFocus();
        QTest::keyClick(f.tree(), Qt::Key_W, Qt::ControlModifier);
        QCOMPARE(f.page.NodeCount(), 1);
        QCOMPARE(f.page.NodeAt(0)->name(), Page::NewNodeName());
        QVERIFY(f.tree()->isEditingLabel());
        QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("first"));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QTRY_COMPARE(f.page.NodeAt(0)->name(), SjisString("first")); // the delegate commits queued

        f.select(f.page.NodeAt(0));
        f.tree()->setFocus();
        QTest::keyClick(f.tree(), Qt::Key_Q, Qt::ControlModifier); // a sibling before the selected node
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
        QTRY_VERIFY(!f.tree()->isEditingLabel());
        QCOMPARE(Shape(f.page.topLevelNodes()), QString::fromStdString(Page::NewNodeName()) + " first");

        Node* first = Find(f.page, "first");
        f.select(first);
        f.tree()->setFocus();
        QTest::keyClick(f.tree(), Qt::Key_W, Qt::ControlModifier);
        QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("child"));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QVERIFY(f.tree()->isExpanded(f.indexOf(first)));
        QTRY_COMPARE(first->child(0)->name(), SjisString("child"));
        // The named node stays selected and bound: F4 and typing go to it.
        QCOMPARE(f.window->selectedNode(), first->child(0));
        QCOMPARE(f.window->boundNode(), first->child(0));

        f.select(first);
        f.tree()->setFocus();
        QTest::keyClick(f.tree(), Qt::Key_F2);
        QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("renamed"), Qt::NoModifier);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QTRY_COMPARE(first->name(), SjisString("renamed"));

        // Deleting binds what the tree selects next, so typing reaches a record.
        f.tree()->setFocus();
        QTest::keyClick(f.tree(), Qt::Key_D, Qt::ControlModifier);
        QCOMPARE(f.page.NodeCount(), 1);
        Node* left = f.page.NodeAt(0);
        QCOMPARE(f.window->selectedNode(), left);
        QCOMPARE(f.window->boundNode(), left);
        QVERIFY(!f.editor()->isReadOnly());

        f.tree()->setFocus();
        QTest::keyClick(f.tree(), Qt::Key_D, Qt::ControlModifier);
        QCOMPARE(f.page.NodeCount(), 0);
        QCOMPARE(f.window->boundNode(), nullptr);
        QVERIFY(f.editor()->isReadOnly());
        QVERIFY(!f.window->pmnuTreeView()->findChild<QAction*>("pmnuTreeView_D")->isEnabled());
        QTest::keyClick(f.tree(), Qt::Key_D, Qt::ControlModifier); // nothing selected: nothing happens
        QCOMPARE(f.page.NodeCount(), 0);
    }

    void dropZones_data()
    {
        QTest::addColumn<QString>("dragged");
        QTest::addColumn<QString>("target");
        QTest::addColumn<QString>("zone");
        QTest::addColumn<QString>("shape");
        QTest::addColumn<QString>("mark"); // drawn while dragging there: frame, or a line above or below a row
        const QString before = QStringLiteral("alpha(bravo) charlie delta");
        QTest::newRow("label-makes-last-child") << "delta" << "charlie" << "label" << "alpha(bravo) charlie(delta)"
                                                << "frame:charlie";
        QTest::newRow("icon-puts-before") << "delta" << "charlie" << "icon" << "alpha(bravo) delta charlie"
                                          << "above:charlie";
        QTest::newRow("indentation-makes-last-sibling") << "delta" << "bravo" << "indent" << "alpha(bravo delta) charlie"
                                                        << "below:bravo";
        QTest::newRow("empty-area-makes-last-top-level") << "alpha" << "" << "below" << "charlie delta alpha(bravo)"
                                                         << "below:delta";
        QTest::newRow("expand-button-does-nothing") << "delta" << "alpha" << "button" << before << "none";
        QTest::newRow("right-of-label-does-nothing") << "delta" << "charlie" << "right" << before << "none";
        QTest::newRow("own-label-does-nothing") << "alpha" << "alpha" << "label" << before << "none";
        QTest::newRow("own-subtree-does-nothing") << "alpha" << "bravo" << "label" << before << "none";
    }
    void dropZones()
    {
        QFETCH(QString, dragged);
        QFETCH(QString, target);
        QFETCH(QString, zone);
        QFETCH(QString, shape);
        QFETCH(QString, mark);
        Fixture f;
        Node* alpha = AddNode(f.page, nullptr, "alpha");
        AddNode(f.page, alpha, "bravo");
        AddNode(f.page, nullptr, "charlie");
        AddNode(f.page, nullptr, "delta");
        f.open();
        f.tree()->expandAll();
        Node* draggedNode = Find(f.page, qPrintable(dragged));
        f.select(draggedNode);

        // Points from the rows as the tree lays them out.
        QPoint point;
        if (zone == "below") {
            const QRect last = f.tree()->visualRect(f.indexOf(Find(f.page, "delta")));
            point = QPoint(last.left() + 4, last.bottom() + 10);
        } else {
            const QRect row = f.tree()->visualRect(f.indexOf(Find(f.page, qPrintable(target))));
            const int y = row.center().y();
            const int iconWidth = f.tree()->iconSize().isValid() ? f.tree()->iconSize().width() : 16;
            if (zone == "label")
                point = QPoint(row.left() + iconWidth + 12, y);
            else if (zone == "icon")
                point = QPoint(row.left() + 4, y);
            else if (zone == "indent")
                point = QPoint(row.left() - f.tree()->indentation() - 4, y);
            else if (zone == "button")
                point = QPoint(row.left() - f.tree()->indentation() / 2, y);
            else
                point = QPoint(f.tree()->viewport()->width() - 4, y);
        }
        QVERIFY(QMetaObject::invokeMethod(f.window.get(), "TreeViewDragOver", Q_ARG(QPoint, point)));
        const QRect drawn = f.tree()->dropMark();
        if (mark == "none") {
            QVERIFY(drawn.isNull());
        } else {
            const QRect row = f.tree()->visualRect(f.indexOf(Find(f.page, qPrintable(mark.section(':', 1)))));
            const QString kind = mark.section(':', 0, 0);
            QCOMPARE(drawn.height() > 1, kind == "frame");
            QCOMPARE(drawn.top(), kind == "below" ? row.bottom() + 1 : row.top());
        }
        QVERIFY(QMetaObject::invokeMethod(f.window.get(), "TreeViewDragDrop", Q_ARG(QPoint, point)));
        QCOMPARE(Shape(f.page.topLevelNodes()), shape);
        QCOMPARE(f.window->selectedNode(), draggedNode);
        QCOMPARE(f.window->boundNode(), draggedNode);
    }

    void dragNearTheBottomScrollsToTheLastRow()
    {
        Fixture f;
        for (int i = 0; i < 40; ++i)
            AddNode(f.page, nullptr, qPrintable(QStringLiteral("node %1").arg(i)));
        f.settings.Position.TreeViewHeight = 150;
        f.open();
        QScrollBar* bar = f.tree()->verticalScrollBar();
        QVERIFY(bar->maximum() > 0);
        QCOMPARE(bar->value(), 0);
        const QModelIndex top = f.tree()->topRow();
        const int rowHeight = f.tree()->visualRect(top).height();
        const QPoint nearBottom(30, f.tree()->viewport()->height() - rowHeight / 2);
        QVERIFY(QMetaObject::invokeMethod(f.window.get(), "TreeViewDragOver", Q_ARG(QPoint, nearBottom)));
        auto* timer = f.window->findChild<QTimer*>("Timer");
        QVERIFY(timer->isActive());
        QCOMPARE(timer->interval(), 50);
        QTRY_COMPARE_WITH_TIMEOUT(bar->value(), bar->maximum(), 5000);
        QTRY_VERIFY(!timer->isActive());
        QVERIFY(QMetaObject::invokeMethod(f.window.get(), "TreeViewEndDrag"));
        QVERIFY(!f.tree()->dropTarget().isValid());
    }

    void sideBySideViewAndBackKeepPaneSizes()
    {
        Fixture f;
        f.settings.Position.TreeViewHeight = 180;
        f.settings.Position.TreeViewWidth = 150;
        f.open();
        QSplitter* splitter = f.ui().Splitter;
        QCOMPARE(splitter->sizes().value(0), 180);

        f.ui().MainMenu_TV->trigger();
        QCOMPARE(splitter->orientation(), Qt::Horizontal);
        QCOMPARE(splitter->sizes().value(0), 150);
        QVERIFY(f.settings.SeparateHorizontal);
        const QList<int> sizes = splitter->sizes();
        splitter->setSizes({170, sizes[0] + sizes[1] - 170});
        QVERIFY(QMetaObject::invokeMethod(f.window.get(), "SplitterMoved"));

        f.ui().MainMenu_TV->trigger();
        QCOMPARE(splitter->orientation(), Qt::Vertical);
        QCOMPARE(splitter->sizes().value(0), 180);
        QCOMPARE(f.settings.Position.TreeViewWidth, 170);

        f.ui().MainMenu_TV->trigger();
        QCOMPARE(splitter->sizes().value(0), 170);
    }

    void expandAndCollapseAllKeepTheBinding()
    {
        Fixture f;
        Node* parent = AddNode(f.page, nullptr, "parent");
        Node* child = AddNode(f.page, parent, "child");
        f.open();
        f.ui().MainMenu_TE->trigger();
        QVERIFY(f.tree()->isExpanded(f.indexOf(parent)));
        f.select(child);
        f.ui().MainMenu_TC->trigger();
        QVERIFY(!f.tree()->isExpanded(f.indexOf(parent)));
        QVERIFY(!parent->expanded);
        QCOMPARE(f.window->selectedNode(), child);
        QCOMPARE(f.window->boundNode(), child);
    }

    void closingStoresBothPaneSizes()
    {
        QTemporaryDir dir;
        QSettingsStore store(dir.filePath(QStringLiteral("settings.ini")));
        Fixture f;
        f.settings.Position.TreeViewHeight = 180;
        f.settings.Position.TreeViewWidth = 150;
        f.open();
        f.window->setStores(&store, nullptr);
        f.ui().MainMenu_TV->trigger();
        f.window->close();
        QCOMPARE(store.readInteger(QStringLiteral("Position"), QStringLiteral("TreeViewHeight"), -1), 180);
        QCOMPARE(store.readInteger(QStringLiteral("Position"), QStringLiteral("TreeViewWidth"), -1), 150);
        QVERIFY(store.readBool(QStringLiteral("Tool"), QStringLiteral("SeparateHorizontal"), false));
    }

    void rightClickSelectsTheNodeUnderIt()
    {
        Fixture f;
        Node* a = AddNode(f.page, nullptr, "alpha");
        Node* b = AddNode(f.page, nullptr, "bravo");
        f.open();
        f.select(a);
        const QRect row = f.tree()->visualRect(f.indexOf(b));
        QTest::mouseRelease(f.tree()->viewport(), Qt::RightButton, {}, QPoint(row.left() + 4, row.center().y()));
        QCOMPARE(f.window->selectedNode(), b);
        QCOMPARE(f.window->boundNode(), b);
    }

    void alwaysOnTopKeepsGeometry()
    {
        Fixture f;
        f.open();
        const QSize size = f.window->size();
        f.ui().MainMenu_TS->trigger();
        QVERIFY(f.window->windowFlags() & Qt::WindowStaysOnTopHint);
        QVERIFY(f.settings.TopMost);
        QCOMPARE(f.window->size(), size);
        f.ui().MainMenu_TS->trigger();
        QVERIFY(!(f.window->windowFlags() & Qt::WindowStaysOnTopHint));
    }

    void editCommandsActOnlyWithTheEditorFocused()
    {
        Fixture f;
        Node* node = AddNode(f.page, nullptr, "n", "abc");
        f.open();
        f.select(node);
        // With the tree focused, the commands serve the nodes.
        f.tree()->setFocus();
        f.editor()->setSelection(0, 3);
        f.ui().MainMenu_EC->trigger();
        QVERIFY(QGuiApplication::clipboard()->mimeData()->hasFormat(NodeClipboard::NodesMimeType));
        QCOMPARE(f.editor()->text(), QStringLiteral("abc"));

        f.editor()->setFocus();
        f.editor()->setSelection(0, 0);
        f.ui().MainMenu_EA->trigger();
        QCOMPARE(f.editor()->selectionLength(), 3);
        f.ui().MainMenu_EX->trigger();
        QCOMPARE(f.editor()->text(), QString());
        QVERIFY(f.ui().MainMenu_EU->isEnabled());
        f.ui().MainMenu_EU->trigger();
        QCOMPARE(f.editor()->text(), QStringLiteral("abc"));
    }

    void changeClearsStatusAndEnablesUndo()
    {
        Fixture f;
        Node* node = AddNode(f.page, nullptr, "n", "abc");
        f.open();
        f.select(node);
        QVERIFY(!f.ui().MainMenu_EU->isEnabled());
        f.window->statusBar()->showMessage(QStringLiteral("saved"));
        QTest::keyClicks(f.editor(), QStringLiteral("x"));
        QVERIFY(f.window->statusBar()->currentMessage().isEmpty());
        QVERIFY(f.ui().MainMenu_EU->isEnabled());
    }

    void paragraphCommandWrapsPlainLines()
    {
        Fixture f;
        Node* node = AddNode(f.page, nullptr, "n", "  hello\r\n<li>x");
        Node* other = AddNode(f.page, nullptr, "m");
        f.open();
        f.select(node);
        f.editor()->setFocus();
        QTest::keyClick(f.editor(), Qt::Key_T, Qt::ControlModifier);
        QCOMPARE(f.editor()->text(), QStringLiteral("<P>  hello</P>\n<li>x\n"));
        f.select(other);
        QCOMPARE(node->record().Body, SjisString("<P>  hello</P>\r\n<li>x\r\n"));
    }

    // Undo takes the command back as one step, its colours with it, and
    // the typing before it stays undoable.
    void paragraphCommandIsOneUndoStep()
    {
        Fixture f;
        Node* node = AddNode(f.page, nullptr, "n", "<b>x</b>\r\nplain");
        f.open();
        f.select(node);
        f.editor()->setFocus();
        f.editor()->setSelection(14, 0);
        QTest::keyClicks(f.editor(), QStringLiteral(" typed"));
        const QTextCharFormat tag = f.editor()->shownFormat(1);
        QTest::keyClick(f.editor(), Qt::Key_T, Qt::ControlModifier);
        QCOMPARE(f.editor()->text(), QStringLiteral("<b>x</b>\n<P>plain typed</P>\n"));
        QCOMPARE(f.editor()->shownFormat(10).foreground(), tag.foreground()); // "P" coloured as a tag name
        QVERIFY(f.ui().MainMenu_EU->isEnabled());

        f.ui().MainMenu_EU->trigger();
        QCOMPARE(f.editor()->text(), QStringLiteral("<b>x</b>\nplain typed"));
        QCOMPARE(f.editor()->shownFormat(1).foreground(), tag.foreground());
        QVERIFY(f.ui().MainMenu_EU->isEnabled());
        f.ui().MainMenu_EU->trigger();
        QCOMPARE(f.editor()->text(), QStringLiteral("<b>x</b>\nplain"));
    }

    // Whatever changes the page counts as a change, so that closing asks;
    // each is one step that Undo takes back to the page as it was, clearing
    // the mark, and Redo makes again.
    void everyEditMarksThePageChanged_data()
    {
        QTest::addColumn<QString>("edit");
        QTest::addColumn<bool>("changed");
        QTest::addColumn<QString>("shownByUndo"); // the node Undo selects
        QTest::newRow("paragraph-command") << "paragraph" << true << "n";
        QTest::newRow("paragraph-command-on-wrapped-text") << "paragraph-nothing-to-wrap" << false << "";
        QTest::newRow("typing") << "typing" << true << "n";
        QTest::newRow("publish-box") << "publish" << true << "n";
        QTest::newRow("rename") << "rename" << true << "n";
        QTest::newRow("new-node") << "add" << true << "n";
        QTest::newRow("move") << "move" << true << "m";
        QTest::newRow("delete") << "delete" << true << "m";
        QTest::newRow("property") << "property" << true << "m";
        QTest::newRow("property-dialog-unchanged") << "property-unchanged" << false << "";
        QTest::newRow("selecting-only") << "select" << false << "";
    }
    void everyEditMarksThePageChanged()
    {
        QFETCH(QString, edit);
        QFETCH(bool, changed);
        QFETCH(QString, shownByUndo);
        Fixture f;
        Node* node = AddNode(f.page, nullptr, "n", edit == "paragraph-nothing-to-wrap" ? "<P>x</P>\r\n" : "plain line");
        Node* other = AddNode(f.page, nullptr, "m");
        f.open();
        f.select(node);
        f.editor()->setFocus();
        QVERIFY(!f.window->isModified());
        QVERIFY(!f.window->isWindowModified());
        const PageProperties before = f.page.properties();
        const QByteArray original = PageBytes(f.page);
        if (edit.startsWith("paragraph"))
            QTest::keyClick(f.editor(), Qt::Key_T, Qt::ControlModifier);
        else if (edit == "typing")
            QTest::keyClicks(f.editor(), QStringLiteral("x"));
        else if (edit == "publish")
            f.ui().cboxPublish->click();
        else if (edit == "rename")
            f.window->outlineModel().setData(f.indexOf(node), QStringLiteral("renamed"));
        else if (edit == "add")
            f.document.AddChild(node);
        else if (edit == "move")
            f.document.Move(other, node, Placement::AsLastChild);
        else if (edit == "delete")
            f.document.Delete(other);
        else if (edit.startsWith("property")) {
            if (edit == "property")
                f.page.Title = "retitled";
            f.window->pagePropertiesEdited(before);
        }
        if (edit != "delete")
            f.select(other); // the editor is stored into its node
        QCOMPARE(f.window->isModified(), changed);
        QCOMPARE(f.window->isWindowModified(), changed);
        QCOMPARE(f.ui().MainMenu_EU->isEnabled(), changed);
        if (!changed)
            return;
        const QByteArray edited = PageBytes(f.page);
        f.ui().MainMenu_EU->trigger();
        QCOMPARE(PageBytes(f.page), original);
        QVERIFY(!f.window->isWindowModified());
        QVERIFY(f.window->selectedNode());
        QCOMPARE(QString::fromStdString(f.window->selectedNode()->name()), shownByUndo);
        QCOMPARE(f.editor()->text(), TextCodec::ToUnicode(f.window->selectedNode()->record().Body).replace("\r\n", "\n"));
        QVERIFY(!f.ui().MainMenu_EU->isEnabled());
        f.ui().MainMenu_ER->trigger();
        QCOMPARE(PageBytes(f.page), edited);
        QVERIFY(f.window->isWindowModified());
    }

    // Only the splitter and the view toggle change the tree pane's size.
    void treePaneKeepsItsSizeWhenTheWindowIsResized_data()
    {
        QTest::addColumn<bool>("sideBySide");
        QTest::addColumn<QSize>("resized");
        QTest::newRow("stacked-taller") << false << QSize(640, 800);
        QTest::newRow("stacked-shorter") << false << QSize(640, 450);
        QTest::newRow("side-by-side-wider") << true << QSize(900, 600);
        QTest::newRow("side-by-side-narrower") << true << QSize(500, 600);
    }
    void treePaneKeepsItsSizeWhenTheWindowIsResized()
    {
        QFETCH(bool, sideBySide);
        QFETCH(QSize, resized);
        QTemporaryDir dir;
        QSettingsStore store(dir.filePath(QStringLiteral("settings.ini")));
        Fixture f;
        f.settings.Position.TreeViewHeight = 180;
        f.settings.Position.TreeViewWidth = 150;
        f.settings.SeparateHorizontal = sideBySide;
        f.open();
        f.window->setStores(&store, nullptr);
        const int size = sideBySide ? 150 : 180;
        QCOMPARE(f.ui().Splitter->sizes().value(0), size);
        f.window->resize(resized);
        QTRY_COMPARE(f.window->size(), resized);
        QCOMPARE(f.ui().Splitter->sizes().value(0), size);
        f.window->close();
        QCOMPARE(store.readInteger(QStringLiteral("Position"), QStringLiteral("TreeViewHeight"), -1), 180);
        QCOMPARE(store.readInteger(QStringLiteral("Position"), QStringLiteral("TreeViewWidth"), -1), 150);
    }

    void focusMovesBetweenTreeAndEditorWithF4()
    {
        Fixture f;
        Node* node = AddNode(f.page, nullptr, "n");
        f.open();
        f.select(node);
        f.tree()->setFocus();
        QTest::keyClick(f.tree(), Qt::Key_F4);
        QCOMPARE(QApplication::focusWidget(), f.editor());
        QTest::keyClick(f.editor(), Qt::Key_F4);
        QCOMPARE(QApplication::focusWidget(), f.tree());
    }

    // The format a character was typed in is the caret's format when the
    // next node is loaded; the loaded text must not take it over.
    void typedTagFormatStaysInItsNode_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("saveCurPos");
        QTest::newRow("after-tag-name") << "abc <b" << true;
        QTest::newRow("after-tag-name-caret-not-restored") << "abc <b" << false;
        QTest::newRow("after-parameter") << "x <a href" << true;
    }
    void typedTagFormatStaysInItsNode()
    {
        QFETCH(QString, typed);
        QFETCH(bool, saveCurPos);
        Fixture f;
        f.settings.EditorSaveCurPos = saveCurPos;
        Node* typedInto = AddNode(f.page, nullptr, "typed");
        Node* next = AddNode(f.page, nullptr, "next", "plain words");
        Node* later = AddNode(f.page, nullptr, "later", "more plain words");
        next->record().SelStart = 3;
        f.open();
        f.select(typedInto);
        f.editor()->setFocus();
        QTest::keyClicks(f.editor(), typed);
        QTest::keyClick(f.editor(), Qt::Key_F4);
        const QTextCharFormat text = f.editor()->loadFormat(CharClass::Text);
        for (Node* shown : {next, later}) {
            f.select(shown);
            const QString body = f.editor()->text();
            for (int i = 0; i < body.size(); ++i) {
                const QTextCharFormat format = f.editor()->shownFormat(i);
                QVERIFY2(format.foreground() == text.foreground() && format.fontWeight() == text.fontWeight(),
                         qPrintable(QStringLiteral("%1, character %2").arg(QString::fromStdString(shown->name())).arg(i)));
            }
        }
    }

    void resetPageClearsTheBinding()
    {
        Fixture f;
        Node* node = AddNode(f.page, nullptr, "n", "body");
        f.open();
        f.select(node);
        f.page.ResetPage({});
        QCOMPARE(f.window->boundNode(), nullptr);
        QVERIFY(f.editor()->text().isEmpty());
        QVERIFY(f.editor()->isReadOnly());
        f.window->StoreBoundNode(); // nothing bound: nothing to store, nothing to crash
    }
};

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
