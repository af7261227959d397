// The main window's outline keys: moving the selected node up, down, in
// and out, and adding a sibling after it. Each is one step of the page's
// history and keeps the node selected and in view.
#include "app/OutlineModel.h"
#include "app/OutlineTreeView.h"
#include "app/TformMain.h"
#include "page/PageDocument.h"
#include "ui_TformMain.h"

#include <QMenu>

namespace {

struct KeyMoveCommand {
    KeyMove move;
    const char* name;
    const char* text;
    const char* hint;
    QKeyCombination key;
};

// Alt+Shift with the arrows, as outliners and word processors' outline
// views have it: no command of the program uses them, and the editor has
// no meaning for them.
const KeyMoveCommand KeyMoveCommands[] = {
    {KeyMove::Up, "MainMenu_EMU", "上へ(&U)", "選択したノードを一つ前の兄弟の前へ移動します。", Qt::ALT | Qt::SHIFT | Qt::Key_Up},
    {KeyMove::Down, "MainMenu_EMD", "下へ(&D)", "選択したノードを一つ後の兄弟の後へ移動します。", Qt::ALT | Qt::SHIFT | Qt::Key_Down},
    {KeyMove::Indent, "MainMenu_EMI", "一段下げる(&I)", "選択したノードを前の兄弟の最後の子にします。",
     Qt::ALT | Qt::SHIFT | Qt::Key_Right},
    {KeyMove::Outdent, "MainMenu_EMO", "一段上げる(&O)", "選択したノードを親の次の兄弟にします。",
     Qt::ALT | Qt::SHIFT | Qt::Key_Left},
};

} // namespace

void TformMain::createOutlineCommands()
{
    // After the selected node; the Ctrl+Q command keeps adding before it.
    addAfter_ = new QAction(QStringLiteral("後ろに同レベルノード(&A)"), this);
    addAfter_->setObjectName(QStringLiteral("MainMenu_FNA"));
    addAfter_->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Q));
    addAfter_->setStatusTip(QStringLiteral("選択したノードの後ろに同じレベルのノードを作成します。"));
    connect(addAfter_, &QAction::triggered, this, &TformMain::AddSiblingAfterClick);
    ui_->MainMenu_FN->insertAction(ui_->MainMenu_FNC, addAfter_);
    addAction(addAfter_);

    QMenu* moves = new QMenu(QStringLiteral("ノードの移動(&M)"), this);
    moves->setObjectName(QStringLiteral("MainMenu_EM"));
    ui_->MainMenu_E->insertMenu(ui_->MainMenu_EP, moves);
    ui_->MainMenu_E->insertSeparator(ui_->MainMenu_EP);
    for (const KeyMoveCommand& command : KeyMoveCommands) {
        auto* action = new QAction(QString::fromUtf8(command.text), this);
        action->setObjectName(QString::fromLatin1(command.name));
        action->setShortcut(QKeySequence(command.key));
        action->setStatusTip(QString::fromUtf8(command.hint));
        const KeyMove move = command.move;
        connect(action, &QAction::triggered, this, [this, move] { MoveSelectedNode(move); });
        moves->addAction(action);
        addAction(action); // the keys work while the menu is closed
        keyMoves_[size_t(move)] = action;
    }

    // The tree's popup offers the same.
    QMenu* create = pmnuTreeView_->findChild<QMenu*>(QStringLiteral("pmnuTreeView_N"));
    QAction* after = create->addAction(QStringLiteral("後ろに同レベル作成(&A)"), this, &TformMain::AddSiblingAfterClick);
    after->setObjectName(QStringLiteral("pmnuTreeView_NA"));
    after->setShortcut(addAfter_->shortcut());
    create->insertAction(pmnuTreeView_NC_, after);
    QMenu* popupMoves = new QMenu(QStringLiteral("移動(&O)"), pmnuTreeView_);
    popupMoves->setObjectName(QStringLiteral("pmnuTreeView_O"));
    for (QAction* action : keyMoves_)
        popupMoves->addAction(action);
    pmnuTreeView_->insertMenu(pmnuTreeView_M_, popupMoves);
}

void TformMain::updateOutlineCommands()
{
    Node* selected = selectedNode();
    for (const KeyMoveCommand& command : KeyMoveCommands)
        keyMoves_[size_t(command.move)]->setEnabled(page_.KeyMoveDestination(selected, command.move).has_value());
}

void TformMain::MoveSelectedNode(KeyMove move)
{
    Node* node = selectedNode();
    if (!node || tree_->isEditingLabel())
        return;
    FinishTyping();
    if (!document_.MoveByKey(node, move))
        return;
    // In a collapsed parent it would vanish from view.
    if (Node* parent = node->parent())
        tree_->expand(model_->indexOf(parent));
    const QModelIndex index = model_->indexOf(node);
    if (tree_->currentIndex() != index)
        selectNode(node);
    tree_->scrollTo(index);
    updateOutlineCommands();
}

void TformMain::AddSiblingAfterClick()
{
    FinishTyping();
    addNodeAndEdit(document_.AddSiblingAfter(selectedNode()));
}
