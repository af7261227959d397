#include "app/TformMain.h"

#include "app/FindBar.h"
#include "app/OutlineModel.h"
#include "app/OutlineTreeView.h"
#include "app/ToolBarImages.h"
#include "app/TreeImages.h"
#include "document/TextCodec.h"
#include "editor/ColourEditor.h"
#include "editor/EditorFont.h"
#include "editor/EditorText.h"
#include "page/PageDocument.h"
#include "page/PageRecovery.h"
#include "settings/SettingsStore.h"
#include "ui_TformMain.h"

#include <QApplication>
#include <QCloseEvent>
#include <QIcon>
#include <QMenu>
#include <QMessageBox>
#include <QShortcut>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>

TformMain::TformMain(PageDocument& document, Settings& settings, QWidget* parent)
    : QMainWindow(parent), ui_(std::make_unique<Ui::TformMain>()), document_(document), page_(document.page()),
      settings_(settings)
{
    ui_->setupUi(this);
    setWindowTitle(QStringLiteral("Tav Outliner"));
    tree_ = ui_->TreeView;
    model_ = new OutlineModel(page_, this);
    model_->Rename = [this](Node* node, SjisView name) {
        FinishTyping();
        document_.Rename(node, name);
    };
    page_.addObserver(this); // after the model, so the tree is current when we hear of a change
    // The editor's changes are steps of the page's history.
    ui_->RichEdit->setHistoryOutside(true);
    typingPause_ = new QTimer(this);
    typingPause_->setSingleShot(true);
    typingPause_->setInterval(TypingPauseMs);

    const std::array<QPixmap, 6> images = DrawTreeImages();
    std::array<QVariant, 3> icons;
    for (size_t i = 0; i < 3; ++i) {
        QIcon icon(images[i]);
        icon.addPixmap(images[i + 3], QIcon::Selected);
        icons[i] = QVariant::fromValue(icon);
    }
    model_->setDecorations(icons);
    tree_->setModel(model_);
    // A resized window gives or takes the space of the editor: the tree pane
    // changes only by the splitter and the view toggle.
    ui_->Splitter->setStretchFactor(0, 0);
    ui_->Splitter->setStretchFactor(1, 1);

    arrowFrames_ = DrawArrowFrames();
    ui_->sbtnNodeProperty->setIcon(QIcon(arrowFrames_[0]));
    ui_->cboxPublish->setVisible(false);
    ui_->cboxHide->setVisible(false);
    ui_->cboxEditSource->setVisible(false);

    // Tool buttons carry the names and pictures of the commands they stand for.
    const struct {
        QAction* action;
        const char* name;
        ToolImage image;
    } buttons[] = {
        {ui_->MainMenu_FN->menuAction(), "tbtnNew", ToolImage::New},
        {ui_->MainMenu_FO->menuAction(), "tbtnOpen", ToolImage::Open},
        {ui_->MainMenu_FSS, "tbtnSave", ToolImage::Save},
        {ui_->MainMenu_EU, "tbtnUndo", ToolImage::Undo},
        {ui_->MainMenu_ER, "tbtnRedo", ToolImage::Redo},
        {ui_->MainMenu_EX, "tbtnCut", ToolImage::Cut},
        {ui_->MainMenu_EC, "tbtnCopy", ToolImage::Copy},
        {ui_->MainMenu_EV, "tbtnPaste", ToolImage::Paste},
        {ui_->MainMenu_TE, "tbtnExpand", ToolImage::ExpandAll},
        {ui_->MainMenu_TC, "tbtnCollupus", ToolImage::CollapseAll},
        {ui_->MainMenu_TII, "tbtnSEIE", ToolImage::Browser},
        {ui_->Mainmenu_TP, "tbtnExternalTool", ToolImage::ExternalTool},
    };
    for (const auto& b : buttons) {
        b.action->setIcon(QIcon(DrawToolImage(b.image)));
        if (QWidget* button = ui_->ToolBar1->widgetForAction(b.action)) {
            button->setObjectName(QString::fromLatin1(b.name));
            // The New and Open buttons drop down their submenus.
            if (auto* tool = qobject_cast<QToolButton*>(button); tool && b.action->menu())
                tool->setPopupMode(QToolButton::InstantPopup);
        }
    }
    // The Undo command's key, and the keys every editor has for both.
    ui_->MainMenu_EU->setShortcuts({QKeySequence(Qt::ALT | Qt::Key_Backspace), QKeySequence(Qt::CTRL | Qt::Key_Z)});
    ui_->MainMenu_ER->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_Y), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)});
    ui_->MainMenu_EU->setEnabled(false);
    ui_->MainMenu_ER->setEnabled(false);

    Timer = new QTimer(this);
    Timer->setObjectName(QStringLiteral("Timer"));
    Timer->setInterval(50);

    createPopupMenus();
    createOutlineCommands();
    createPreviewCommands();
    connect(&document_, &PageDocument::changed, this, &TformMain::updateOutlineCommands);
    connectCommands();
    connectDocumentCommands();
    connectWindowCommands();
    connectClipboardCommands();
    connectFindCommands();
    ClearBinding();
    updateNodeCommands();
    ApplyEditorAppearance();
}

TformMain::~TformMain()
{
    // The focus moves while the widgets go; a window half gone must not hear of it.
    disconnect(qApp, &QApplication::focusChanged, this, nullptr);
    page_.removeObserver(this);
}

void TformMain::createPopupMenus()
{
    // Shortcuts shown in the popups are handled by the main menu (window-wide)
    // or by the focused control (below); a popup that is not open never
    // triggers its own.
    pmnuTreeView_ = new QMenu(this);
    pmnuTreeView_->setObjectName(QStringLiteral("pmnuTreeView"));
    QMenu* create = pmnuTreeView_->addMenu(QStringLiteral("新規作成(&N)"));
    create->setObjectName(QStringLiteral("pmnuTreeView_N"));
    QAction* ns = create->addAction(QStringLiteral("同レベル作成(&S)"), this, &TformMain::pmnuTreeView_NSClick);
    ns->setObjectName(QStringLiteral("pmnuTreeView_NS"));
    ns->setShortcut(QKeySequence(QStringLiteral("Ctrl+Q")));
    pmnuTreeView_NC_ = create->addAction(QStringLiteral("子レベル作成(&C)"), this, &TformMain::pmnuTreeView_NCClick);
    pmnuTreeView_NC_->setObjectName(QStringLiteral("pmnuTreeView_NC"));
    pmnuTreeView_NC_->setShortcut(QKeySequence(QStringLiteral("Ctrl+W")));
    pmnuTreeView_->addSeparator();
    pmnuTreeView_D_ = pmnuTreeView_->addAction(QStringLiteral("ノードの削除(&D)"), this, &TformMain::pmnuTreeView_DClick);
    pmnuTreeView_D_->setObjectName(QStringLiteral("pmnuTreeView_D"));
    pmnuTreeView_D_->setShortcut(QKeySequence(QStringLiteral("Ctrl+D")));
    pmnuTreeView_M_ = pmnuTreeView_->addAction(QStringLiteral("名前の変更(&M)"), this, &TformMain::pmnuTreeView_MClick);
    pmnuTreeView_M_->setObjectName(QStringLiteral("pmnuTreeView_M"));
    pmnuTreeView_M_->setShortcut(QKeySequence(Qt::Key_F2));
    createNodeClipboardItems();
    pmnuTreeView_->addSeparator();
    QAction* r = pmnuTreeView_->addAction(QStringLiteral("エディットビュー(&R)"), this, &TformMain::pmnuTreeView_RClick);
    r->setObjectName(QStringLiteral("pmnuTreeView_R"));
    r->setShortcut(QKeySequence(Qt::Key_F4));

    pmnuRichEdit_ = new QMenu(this);
    pmnuRichEdit_->setObjectName(QStringLiteral("pmnuRichEdit"));
    const struct {
        const char* name;
        QAction* mainItem;
        void (TformMain::*handler)();
    } shared[] = {
        {"pmnuRichEdit_U", ui_->MainMenu_EU, &TformMain::MainMenu_EUClick},
        {"pmnuRichEdit_R", ui_->MainMenu_ER, &TformMain::MainMenu_ERClick},
        {nullptr, nullptr, nullptr},
        {"pmnuRichEdit_X", ui_->MainMenu_EX, &TformMain::MainMenu_EXClick},
        {"pmnuRichEdit_C", ui_->MainMenu_EC, &TformMain::MainMenu_ECClick},
        {"pmnuRichEdit_V", ui_->MainMenu_EV, &TformMain::MainMenu_EVClick},
        {nullptr, nullptr, nullptr},
        {"pmnuRichEdit_A", ui_->MainMenu_EA, &TformMain::MainMenu_EAClick},
    };
    for (const auto& item : shared) {
        if (!item.name) {
            pmnuRichEdit_->addSeparator();
            continue;
        }
        QAction* a = pmnuRichEdit_->addAction(item.mainItem->text(), this, item.handler);
        a->setObjectName(QString::fromLatin1(item.name));
        a->setShortcut(item.mainItem->shortcut());
        if (item.mainItem == ui_->MainMenu_EU || item.mainItem == ui_->MainMenu_ER) {
            a->setEnabled(false);
            connect(item.mainItem, &QAction::changed, a, [a, main = item.mainItem] { a->setEnabled(main->isEnabled()); });
        }
    }
    pmnuRichEdit_->addSeparator();
    QAction* p = pmnuRichEdit_->addAction(QStringLiteral("<P> タグを自動で追加(&P)"), this, &TformMain::pmnuRichEdit_PClick);
    p->setObjectName(QStringLiteral("pmnuRichEdit_P"));
    p->setShortcut(QKeySequence(QStringLiteral("Ctrl+T")));
    pmnuRichEdit_->addSeparator();
    QAction* t = pmnuRichEdit_->addAction(QStringLiteral("ツリービュー(&T)"), this, &TformMain::pmnuRichEdit_TClick);
    t->setObjectName(QStringLiteral("pmnuRichEdit_T"));
    t->setShortcut(QKeySequence(Qt::Key_F4));
}

void TformMain::connectCommands()
{
    connect(ui_->MainMenu_FNS, &QAction::triggered, this, &TformMain::pmnuTreeView_NSClick);
    connect(ui_->MainMenu_FNC, &QAction::triggered, this, &TformMain::pmnuTreeView_NCClick);
    connect(ui_->MainMenu_EU, &QAction::triggered, this, &TformMain::MainMenu_EUClick);
    connect(ui_->MainMenu_ER, &QAction::triggered, this, &TformMain::MainMenu_ERClick);
    connect(ui_->MainMenu_EX, &QAction::triggered, this, &TformMain::MainMenu_EXClick);
    connect(ui_->MainMenu_EC, &QAction::triggered, this, &TformMain::MainMenu_ECClick);
    connect(ui_->MainMenu_EV, &QAction::triggered, this, &TformMain::MainMenu_EVClick);
    connect(ui_->MainMenu_EA, &QAction::triggered, this, &TformMain::MainMenu_EAClick);
    connect(ui_->MainMenu_TS, &QAction::triggered, this, &TformMain::MainMenu_TSClick);
    connect(ui_->MainMenu_TV, &QAction::triggered, this, &TformMain::MainMenu_TVClick);
    connect(ui_->MainMenu_TE, &QAction::triggered, this, &TformMain::MainMenu_TEClick);
    connect(ui_->MainMenu_TC, &QAction::triggered, this, &TformMain::MainMenu_TCClick);

    // Keys of the popup items that act on the control that has the focus.
    const auto onTree = [this](const char* keys, void (TformMain::*handler)()) {
        auto* s = new QShortcut(QKeySequence(QString::fromLatin1(keys)), tree_, nullptr, nullptr, Qt::WidgetShortcut);
        connect(s, &QShortcut::activated, this, handler);
    };
    onTree("Ctrl+D", &TformMain::pmnuTreeView_DClick);
    onTree("F2", &TformMain::pmnuTreeView_MClick);
    onTree("F4", &TformMain::pmnuTreeView_RClick);
    for (const auto& [keys, handler] : {std::pair{"F4", &TformMain::pmnuRichEdit_TClick},
                                        std::pair{"Ctrl+T", &TformMain::pmnuRichEdit_PClick}}) {
        auto* s = new QShortcut(QKeySequence(QString::fromLatin1(keys)), ui_->RichEdit, nullptr, nullptr,
                                Qt::WidgetShortcut);
        connect(s, &QShortcut::activated, this, handler);
    }

    connect(ui_->sbtnNodeProperty, &QToolButton::clicked, this, &TformMain::sbtnNodePropertyClick);
    connect(ui_->cboxPublish, &QCheckBox::clicked, this, &TformMain::cboxPublishClick);
    connect(ui_->cboxHide, &QCheckBox::clicked, this, &TformMain::cboxPublishClick);
    connect(tree_->selectionModel(), &QItemSelectionModel::currentChanged, this, &TformMain::TreeViewChange);
    connect(tree_, &OutlineTreeView::mouseReleased, this, &TformMain::TreeViewMouseUp);
    connect(tree_, &QWidget::customContextMenuRequested, this, &TformMain::TreeViewContextPopup);
    connect(tree_, &OutlineTreeView::dragMoved, this, &TformMain::TreeViewDragOver);
    connect(tree_, &OutlineTreeView::dragLeft, this, &TformMain::TreeViewDragLeave);
    connect(tree_, &OutlineTreeView::dropped, this, &TformMain::TreeViewDragDrop);
    connect(tree_, &OutlineTreeView::dragEnded, this, &TformMain::TreeViewEndDrag);
    connect(tree_, &QTreeView::expanded, this, [this](const QModelIndex& i) {
        if (Node* n = model_->nodeAt(i))
            n->expanded = true;
    });
    connect(tree_, &QTreeView::collapsed, this, [this](const QModelIndex& i) {
        if (Node* n = model_->nodeAt(i))
            n->expanded = false;
    });
    connect(model_, &OutlineModel::nameRejected, this, [this](const QString& character) {
        QMessageBox::warning(this, QStringLiteral("警告"),
                             QStringLiteral("ノード名に使えない文字が含まれています: %1").arg(character));
    });
    connect(Timer, &QTimer::timeout, this, &TformMain::TimerTimer);
    connect(ui_->Splitter, &QSplitter::splitterMoved, this, &TformMain::SplitterMoved);
    connect(ui_->RichEdit, &QTextEdit::textChanged, this, &TformMain::RichEditChange);
    connect(ui_->RichEdit, &ColourEditor::undoRequested, this, &TformMain::UndoPage);
    connect(ui_->RichEdit, &ColourEditor::redoRequested, this, &TformMain::RedoPage);
    connect(ui_->RichEdit, &ColourEditor::insertBoundary, this, &TformMain::FinishTyping);
    connect(typingPause_, &QTimer::timeout, this, &TformMain::FinishTyping);
    connect(&document_, &PageDocument::modifiedChanged, this, &TformMain::updateCaption);
    connect(&document_, &PageDocument::historyChanged, this, &TformMain::updateHistoryCommands);
    connect(&document_, &PageDocument::stepShown, this, &TformMain::ShowStep);
    connect(ui_->RichEdit, &QWidget::customContextMenuRequested, this,
            [this](QPoint pos) { pmnuRichEdit_->popup(ui_->RichEdit->viewport()->mapToGlobal(pos)); });
}

// --- Binding -------------------------------------------------------------

Node* TformMain::selectedNode() const
{
    return model_->nodeAt(tree_->currentIndex());
}

void TformMain::selectNode(Node* node)
{
    tree_->selectionModel()->setCurrentIndex(model_->indexOf(node), QItemSelectionModel::ClearAndSelect);
}

void TformMain::StoreBoundNode()
{
    typingPause_->stop();
    const bool wasTyping = std::exchange(typing_, false);
    if (!bound_)
        return;
    const QString text = ui_->RichEdit->text();
    const int start = ui_->RichEdit->selectionStart();
    const int end = start + ui_->RichEdit->selectionLength();
    // A body the user did not change keeps its bytes, even ones that do not
    // survive decoding and encoding.
    SjisString body = bound_->record().Body;
    if (text != loadedText_) {
        body = EditorText::ToBody(text);
        loadedText_ = text;
    }
    const std::int32_t selStart = EditorText::ByteOffset(text, start);
    document_.SetBody(bound_, body, selStart, EditorText::ByteOffset(text, end) - selStart);
    if (wasTyping) {
        updateCaption();
        updateHistoryCommands();
    }
}

void TformMain::FinishTyping()
{
    if (typing_)
        StoreBoundNode();
}

void TformMain::LoadNode(Node* node)
{
    const TRecord& record = node->record();
    loadedText_ = EditorText::FromBody(record.Body);
    loadingText_ = true;
    ui_->RichEdit->SetColouredText(loadedText_);
    loadingText_ = false;
    ui_->editNodeName->setText(TextCodec::ToUnicode(node->name()));
    ui_->cboxPublish->setChecked(record.Publish);
    ui_->cboxHide->setChecked(record.Hide);
    ui_->cboxEditSource->setChecked(record.EditSource);
    if (settings_.EditorSaveCurPos) {
        const int start = EditorText::EditorPosition(loadedText_, record.SelStart);
        const int end = EditorText::EditorPosition(loadedText_, record.SelStart + std::max(record.SelLength, 0));
        ui_->RichEdit->setSelection(start, end - start);
    }
}

void TformMain::RefreshIcons()
{
    model_->RefreshIcons();
}

void TformMain::ClearBinding()
{
    typingPause_->stop();
    typing_ = false;
    bound_ = nullptr;
    // A node left current in the tree would be loaded by no click on it.
    if (tree_->currentIndex().isValid())
        tree_->selectionModel()->clear(); // comes back here through TreeViewChange
    loadedText_.clear();
    loadingText_ = true;
    ui_->RichEdit->SetColouredText(QString());
    loadingText_ = false;
    updateCaption();
    ui_->editNodeName->clear();
    updateEditorAvailability();
}

void TformMain::updateEditorAvailability()
{
    const bool bound = bound_ != nullptr;
    ui_->RichEdit->setReadOnly(!bound);
    QPalette palette = ui_->RichEdit->palette();
    const QColor background = ColourFromBgr(settings_.EditorBGColor);
    palette.setColor(QPalette::Base, bound ? background : this->palette().color(QPalette::Window));
    ui_->RichEdit->setPalette(palette);
    ui_->cboxPublish->setEnabled(bound);
    ui_->cboxHide->setEnabled(bound);
}

void TformMain::TreeViewChange(const QModelIndex& current)
{
    Node* next = model_->nodeAt(current);
    // About to change: the old node keeps what the editor shows.
    StoreBoundNode();
    if (next)
        LoadNode(next);
    // Changed. The tree may make a node current without selecting it (on
    // focus); the bound node is always shown selected.
    if (next && !tree_->selectionModel()->isSelected(current))
        tree_->selectionModel()->select(current, QItemSelectionModel::ClearAndSelect);
    if (next) {
        bound_ = next;
        updateEditorAvailability();
        PreviewShowNode(next);
    } else {
        ClearBinding();
    }
    updateNodeCommands();
}

void TformMain::updateNodeCommands()
{
    const bool enabled = NodeCommandEnabled(selectedNode());
    pmnuTreeView_NC_->setEnabled(enabled);
    pmnuTreeView_D_->setEnabled(enabled);
    pmnuTreeView_M_->setEnabled(enabled);
    updateOutlineCommands();
    updateClipboardCommands();
}

void TformMain::cboxPublishClick()
{
    if (!bound_)
        return;
    FinishTyping();
    document_.SetFlags(bound_, ui_->cboxPublish->isChecked(), ui_->cboxHide->isChecked(),
                       bound_->record().EditSource);
    RefreshIcons();
}

void TformMain::RichEditChange()
{
    if (loadingText_ || !bound_)
        return;
    // Typing: a run that becomes one step when it pauses or ends otherwise.
    if (!typing_) {
        typing_ = true;
        updateCaption();
        updateHistoryCommands();
    }
    typingPause_->start();
    if (recovery_)
        recovery_->Touch();
    PreviewTyped();
    if (!statusBar()->currentMessage().isEmpty())
        statusBar()->clearMessage();
}

// --- Following the page --------------------------------------------------

void TformMain::nodeAboutToBeRemoved(Node* node)
{
    // The record goes with the node; nothing may be stored into it later.
    if (bound_ && bound_->isInSubtreeOf(node)) {
        typingPause_->stop();
        typing_ = false;
        bound_ = nullptr;
        loadedText_.clear();
    }
}

void TformMain::outlineAboutToBeReset()
{
    typingPause_->stop();
    typing_ = false;
    bound_ = nullptr;
}

void TformMain::outlineReset()
{
    findBar_->invalidate(); // its matches point into the old outline
    ClearBinding();
    expandFromModel();
    updateNodeCommands();
}

void TformMain::expandFromModel()
{
    for (Node* node : page_.NodesInDocumentOrder())
        if (node->expanded)
            tree_->expand(model_->indexOf(node));
}

// --- Settings ------------------------------------------------------------

void TformMain::ApplyWindowPosition()
{
    const PositionSettings& p = settings_.Position;
    setGeometry(p.Left, p.Top, p.Width, p.Height);
    if (p.maximized())
        setWindowState(windowState() | Qt::WindowMaximized);
}

void TformMain::ApplyEditorAppearance()
{
    const QFont font = EditorFont(TextCodec::ToUnicode(settings_.EditorFontName), settings_.EditorFontSize);
    tree_->setFont(font);
    ui_->RichEdit->setFont(font);
    QPalette palette = tree_->palette();
    palette.setColor(QPalette::Base, ColourFromBgr(settings_.EditorBGColor));
    tree_->setPalette(palette);

    EditorStyle style;
    const auto set = [&style](CharClass c, int colour, bool bold, bool italic) {
        style.classes[size_t(c)] = ClassStyle{ColourFromBgr(colour), bold, italic};
    };
    const Settings& s = settings_;
    set(CharClass::Text, s.EditorTextColor, s.EditorTextBold, s.EditorTextItalic);
    set(CharClass::TagSymbol, s.EditorTagSymbolColor, s.EditorTagSymbolBold, s.EditorTagSymbolItalic);
    set(CharClass::TagDirective, s.EditorTagDirectiveColor, s.EditorTagDirectiveBold, s.EditorTagDirectiveItalic);
    set(CharClass::TagParameter, s.EditorTagParameterColor, s.EditorTagParameterBold, s.EditorTagParameterItalic);
    style.autoIndent = s.EditorAutoIndent;
    ui_->RichEdit->setEditorStyle(style);
    ui_->RichEdit->ApplyTabStops();
    updateEditorAvailability();
}

void TformMain::ApplyViewSettings()
{
    if (settings_.TopMost != ui_->MainMenu_TS->isChecked())
        ui_->MainMenu_TS->trigger();
    if (!ui_->MainMenu_TV->isChecked())
        setTreePaneSize(settings_.Position.TreeViewHeight);
    if (settings_.SeparateHorizontal != ui_->MainMenu_TV->isChecked())
        ui_->MainMenu_TV->trigger();
    ApplyPreviewSettings();
}

WindowBounds TformMain::windowBounds() const
{
    WindowBounds bounds;
    bounds.maximized = isMaximized();
    const QRect normal = isMaximized() ? normalGeometry() : geometry();
    bounds.left = normal.left();
    bounds.top = normal.top();
    bounds.width = normal.width();
    bounds.height = normal.height();
    return bounds;
}

