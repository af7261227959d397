// The main window's find and replace: the find bar under the editor, F3 and
// Shift+F3 through the matches of the whole page, replace and replace all,
// each one step of the page's history.
#include "app/ErrorDisplay.h"
#include "app/FindBar.h"
#include "app/OutlineModel.h"
#include "app/OutlineTreeView.h"
#include "app/TformMain.h"
#include "editor/ColourEditor.h"
#include "editor/TformSourceEditor.h"
#include "page/PageDocument.h"
#include "page/PageSearch.h"
#include "ui_TformMain.h"

#include <QStatusBar>
#include <QTimer>

void TformMain::connectFindCommands()
{
    findBar_ = new FindBar(this);
    findBar_->setObjectName(QStringLiteral("FindBar"));
    findBar_->hide();
    ui_->centralLayout->addWidget(findBar_);
    connect(ui_->MainMenu_EF, &QAction::triggered, this, &TformMain::MainMenu_EFClick);
    connect(ui_->MainMenu_EN, &QAction::triggered, this, &TformMain::MainMenu_ENClick);
    connect(ui_->MainMenu_EB, &QAction::triggered, this, &TformMain::MainMenu_EBClick);
    connect(ui_->MainMenu_EH, &QAction::triggered, this, &TformMain::MainMenu_EHClick);
    connect(findBar_, &FindBar::searchChanged, this, &TformMain::CountMatches);
    connect(findBar_, &FindBar::findNext, this, &TformMain::MainMenu_ENClick);
    connect(findBar_, &FindBar::findPrevious, this, &TformMain::MainMenu_EBClick);
    connect(findBar_, &FindBar::replaceOne, this, &TformMain::ReplaceMatch);
    connect(findBar_, &FindBar::replaceAll, this, &TformMain::ReplaceAllMatches);
    connect(findBar_, &FindBar::closed, this, [this] {
        if (bound_)
            ui_->RichEdit->setFocus();
        else
            tree_->setFocus();
    });
    connect(&document_, &PageDocument::changed, findBar_, &FindBar::invalidate);
}

// --- The commands ------------------------------------------------------------

void TformMain::MainMenu_EFClick()
{
    // A word selected in the editor is what the user wants to find.
    const QString selected = ui_->RichEdit->textCursor().selectedText();
    if (editorHasFocus() && !selected.isEmpty() && !selected.contains(QChar::ParagraphSeparator))
        findBar_->setPattern(selected);
    findBar_->open(false);
}

void TformMain::MainMenu_EHClick()
{
    findBar_->open(true);
}

void TformMain::MainMenu_ENClick()
{
    FindAdjacent(true);
}

void TformMain::MainMenu_EBClick()
{
    FindAdjacent(false);
}

// --- Finding -----------------------------------------------------------------

void TformMain::CountMatches()
{
    const PageSearch search(findBar_->pattern(), findBar_->options());
    findBar_->setFound(search.FindAll(page_), search.error());
}

void TformMain::FindAdjacent(bool forward)
{
    if (findBar_->pattern().isEmpty()) {
        findBar_->open(false);
        return;
    }
    findBar_->show();
    // Typing not yet stored is searched too.
    FinishTyping();
    if (findBar_->isStale())
        CountMatches();
    if (const std::optional<std::size_t> next = AdjacentMatch(findBar_->matches(), FindFrom(), forward))
        ShowMatch(*next);
}

// Where the next search starts: at the match shown, if the user left it
// as it was shown; otherwise at the editor's selection in the bound node.
SearchPosition TformMain::FindFrom() const
{
    const int current = findBar_->current();
    if (current >= 0) {
        const PageMatch& match = findBar_->matches()[std::size_t(current)];
        if (IsShown(match))
            return {match.order, match.start, match.start + match.length};
    }
    if (!bound_)
        return {};
    const int start = ui_->RichEdit->selectionStart();
    return {PlaceOrder(page_, {bound_, PageTextField::Body}), start, start + ui_->RichEdit->selectionLength()};
}

bool TformMain::IsShown(const PageMatch& match) const
{
    switch (match.place.field) {
    case PageTextField::Name: return bound_ == match.place.node;
    case PageTextField::Body:
        return bound_ == match.place.node && ui_->RichEdit->selectionStart() == match.start
               && ui_->RichEdit->selectionLength() == match.length;
    case PageTextField::UserHeader: break;
    }
    return true;
}

void TformMain::ShowMatch(std::size_t index)
{
    const PageMatch match = findBar_->matches()[index];
    findBar_->setCurrent(int(index));
    if (match.place.field == PageTextField::UserHeader) {
        ShowHeaderMatch(match);
        return;
    }
    if (bound_ != match.place.node)
        selectNode(match.place.node);
    tree_->scrollTo(model_->indexOf(match.place.node)); // opens its parents
    if (match.place.field == PageTextField::Body) {
        ui_->RichEdit->setSelection(match.start, match.length);
        ui_->RichEdit->ensureCursorVisible();
    }
}

// The header is shown in its own window, the match selected there.
void TformMain::ShowHeaderMatch(const PageMatch& match)
{
    if (!windows_.formSourceEditor)
        return;
    TformSourceEditor& editor = *windows_.formSourceEditor;
    editor.setSourceText(page_.UserHeader);
    // After the window's own selection, which it makes as it shows.
    QTimer::singleShot(0, &editor, [&editor, match] {
        editor.findChild<ColourEditor*>()->setSelection(match.start, match.length);
    });
    if (editor.exec() != QDialog::Accepted || editor.sourceText() == page_.UserHeader)
        return;
    const PageProperties before = page_.properties();
    page_.UserHeader = editor.sourceText();
    document_.PropertiesEdited(before);
}

// --- Replacing ----------------------------------------------------------------

void TformMain::ReplaceMatch()
{
    FinishTyping();
    if (findBar_->isStale())
        CountMatches();
    const int current = findBar_->current();
    // Nothing shown (or the user went elsewhere): the first press shows
    // what the next one replaces.
    if (current < 0 || !IsShown(findBar_->matches()[std::size_t(current)])) {
        FindAdjacent(true);
        return;
    }
    const PageMatch match = findBar_->matches()[std::size_t(current)];
    const PageSearch search(findBar_->pattern(), findBar_->options());
    PageMatch replaced;
    const PageSearch::Replaced one = search.ReplaceOne(page_, match, findBar_->replacement(), &replaced);
    if (!one.error.isEmpty()) {
        ShowError(this, one.error);
        return;
    }
    if (!one.changes.empty()) {
        document_.ReplaceTexts(one.changes);
        ShowReplaced(one.changes);
    }
    CountMatches();
    const int end = one.changes.empty() ? match.start : replaced.start + replaced.length;
    if (match.place.field == PageTextField::Body && bound_ == match.place.node)
        ui_->RichEdit->setSelection(end, 0);
    if (const std::optional<std::size_t> next = AdjacentMatch(findBar_->matches(), {match.order, end, end}, true))
        ShowMatch(*next);
}

void TformMain::ReplaceAllMatches()
{
    FinishTyping();
    const PageSearch search(findBar_->pattern(), findBar_->options());
    if (search.isEmpty() || !search.error().isEmpty())
        return;
    const PageSearch::Replaced all = search.ReplaceAll(page_, findBar_->replacement());
    if (!all.error.isEmpty()) {
        ShowError(this, all.error);
        return;
    }
    document_.ReplaceTexts(all.changes);
    ShowReplaced(all.changes);
    CountMatches();
    statusBar()->showMessage(QStringLiteral("%1 件置換しました。").arg(all.count));
}

// The editor and the property bar show the bound node's texts as they are now.
void TformMain::ShowReplaced(const std::vector<PageTextChange>& changes)
{
    for (const PageTextChange& change : changes)
        if (bound_ && change.place.node == bound_) {
            LoadNode(bound_);
            return;
        }
}
