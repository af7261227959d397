#include "editor/TformSourceEditor.h"

#include "document/TextCodec.h"
#include "editor/EditorFont.h"
#include "editor/EditorText.h"
#include "settings/Settings.h"
#include "ui_TformSourceEditor.h"

#include <QKeyEvent>
#include <QMenu>
#include <QScreen>
#include <QStatusBar>
#include <QStatusTipEvent>

std::optional<EditorRange> LeadingCommentSelection(QStringView text)
{
    if (!text.startsWith(u"<!--"))
        return std::nullopt;
    const qsizetype close = text.indexOf(u"-->");
    return EditorRange{0, close < 0 ? 2 : int(close) + 3};
}

EditorStyle SourceEditorStyle()
{
    EditorStyle style;
    style.classes[size_t(CharClass::Text)] = {ColourFromBgr(0x000000), false, false};
    style.classes[size_t(CharClass::TagSymbol)] = {ColourFromBgr(0xFFFF00), false, false};
    style.classes[size_t(CharClass::TagDirective)] = {ColourFromBgr(0xFF0000), true, false};
    style.classes[size_t(CharClass::TagParameter)] = {ColourFromBgr(0x000080), false, false};
    return style;
}

TformSourceEditor::TformSourceEditor(const Settings& settings, QWidget* parent)
    : QDialog(parent), ui_(std::make_unique<Ui::TformSourceEditor>()), settings_(settings)
{
    ui_->setupUi(this);
    // Only the maximise button: the window is closed with its Close command.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowMaximizeButtonHint);

    // Icons are left out: captions say what the buttons do.
    const std::pair<QAction*, const char*> buttons[] = {
        {ui_->PopupMenu_E, "tbtnClose"},   {ui_->PopupMenu_U, "ToolButton1"}, {ui_->PopupMenu_X, "ToolButton2"},
        {ui_->PopupMenu_C, "ToolButton3"}, {ui_->PopupMenu_V, "ToolButton4"},
    };
    for (const auto& [action, name] : buttons)
        if (QWidget* button = ui_->ToolBar1->widgetForAction(action))
            button->setObjectName(QString::fromLatin1(name));

    PopupMenu = new QMenu(this);
    PopupMenu->setObjectName(QStringLiteral("PopupMenu"));
    PopupMenu->addAction(ui_->PopupMenu_U);
    PopupMenu->addSeparator();
    PopupMenu->addAction(ui_->PopupMenu_X);
    PopupMenu->addAction(ui_->PopupMenu_C);
    PopupMenu->addAction(ui_->PopupMenu_V);
    PopupMenu->addSeparator();
    PopupMenu->addAction(ui_->PopupMenu_A);
    PopupMenu->addSeparator();
    PopupMenu->addAction(ui_->PopupMenu_E);
    // A popup that is not open triggers no shortcuts: the window carries them.
    addActions({ui_->PopupMenu_U, ui_->PopupMenu_X, ui_->PopupMenu_C, ui_->PopupMenu_V, ui_->PopupMenu_A,
                ui_->PopupMenu_E});

    ColourEditor* editor = ui_->RichEdit;
    editor->setEditorStyle(SourceEditorStyle());
    connect(editor, &QWidget::customContextMenuRequested, this,
            [this, editor](QPoint pos) { PopupMenu->popup(editor->viewport()->mapToGlobal(pos)); });
    connect(editor, &QTextEdit::undoAvailable, ui_->PopupMenu_U, &QAction::setEnabled);
    ui_->PopupMenu_U->setEnabled(false);

    connect(ui_->PopupMenu_U, &QAction::triggered, this, &TformSourceEditor::PopupMenu_UClick);
    connect(ui_->PopupMenu_X, &QAction::triggered, this, &TformSourceEditor::PopupMenu_XClick);
    connect(ui_->PopupMenu_C, &QAction::triggered, this, &TformSourceEditor::PopupMenu_CClick);
    connect(ui_->PopupMenu_V, &QAction::triggered, this, &TformSourceEditor::PopupMenu_VClick);
    connect(ui_->PopupMenu_A, &QAction::triggered, this, &TformSourceEditor::PopupMenu_AClick);
    connect(ui_->PopupMenu_E, &QAction::triggered, this, &TformSourceEditor::PopupMenu_EClick);
}

TformSourceEditor::~TformSourceEditor() = default;

void TformSourceEditor::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        FormShow();
}

void TformSourceEditor::FormShow()
{
    if (!isMaximized()) {
        const QRect desktop = screen()->availableGeometry();
        move(desktop.center() - rect().center());
    }
    ColourEditor* editor = ui_->RichEdit;
    // The colours are the window's own; the font is the one the user chose
    // for editing.
    editor->setFont(EditorFont(TextCodec::ToUnicode(settings_.EditorFontName), settings_.EditorFontSize));
    EditorStyle style = SourceEditorStyle();
    style.autoIndent = settings_.EditorAutoIndent;
    editor->setEditorStyle(style);

    // The selection the editor had when it was last closed is kept.
    loadedText_ = EditorText::FromBody(SourceText);
    editor->SetColouredText(loadedText_);
    // The editor's default tab stops, not the node editor's.
    QTextOption option = editor->document()->defaultTextOption();
    option.setTabs({});
    editor->document()->setDefaultTextOption(option);
    if (const std::optional<EditorRange> comment = LeadingCommentSelection(loadedText_))
        editor->setSelection(comment->start, comment->length);
    ui_->StatusBar->clearMessage();
    editor->setFocus();
}

void TformSourceEditor::done(int)
{
    // A close by any means - the Close command, the window manager - keeps
    // the text: the window has no cancel, and dropping the edits unasked
    // would lose the user's work.
    const QString text = ui_->RichEdit->text();
    if (text != loadedText_)
        SourceText = EditorText::ToBody(text);
    QDialog::done(QDialog::Accepted);
}

void TformSourceEditor::keyPressEvent(QKeyEvent* event)
{
    // Escape would close the window as a cancel, which it does not have.
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

bool TformSourceEditor::event(QEvent* event)
{
    // Hints of the item under the mouse go to the window's own status bar.
    if (event->type() == QEvent::StatusTip) {
        ui_->StatusBar->showMessage(static_cast<QStatusTipEvent*>(event)->tip());
        return true;
    }
    return QDialog::event(event);
}

void TformSourceEditor::PopupMenu_UClick()
{
    ui_->RichEdit->undoEdit();
}

void TformSourceEditor::PopupMenu_XClick()
{
    ui_->RichEdit->cut();
}

void TformSourceEditor::PopupMenu_CClick()
{
    ui_->RichEdit->copy();
}

void TformSourceEditor::PopupMenu_VClick()
{
    ui_->RichEdit->paste();
}

void TformSourceEditor::PopupMenu_AClick()
{
    ui_->RichEdit->selectAll();
}

void TformSourceEditor::PopupMenu_EClick()
{
    done(QDialog::Accepted);
}
