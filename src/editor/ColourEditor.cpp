#include "editor/ColourEditor.h"

#include "editor/EditorText.h"

#include <QDragEnterEvent>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>
#include <QUrl>

QColor ColourFromBgr(int bgr)
{
    return QColor(bgr & 0xFF, (bgr >> 8) & 0xFF, (bgr >> 16) & 0xFF);
}

QList<qreal> TabStopPixels(int charWidth)
{
    QList<qreal> stops;
    for (int i = 0; i < 32; ++i) {
        const int points = (charWidth * 2 * i * 3) / 4;
        stops.append(points * 96.0 / 72.0);
    }
    return stops;
}

ColourEditor::ColourEditor(QWidget* parent) : QTextEdit(parent)
{
    setAcceptRichText(false);
    setLineWrapMode(QTextEdit::WidgetWidth);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setTabChangesFocus(false);
    connect(document(), &QTextDocument::contentsChange, this, &ColourEditor::followEdit);
    style_.classes[size_t(CharClass::Text)].colour = Qt::black;
    style_.classes[size_t(CharClass::TagSymbol)].colour = QColor(0x00, 0x00, 0x80);
    style_.classes[size_t(CharClass::TagDirective)].colour = QColor(0x00, 0x00, 0xFF);
    style_.classes[size_t(CharClass::TagParameter)].colour = QColor(0x80, 0x00, 0x00);
}

void ColourEditor::setEditorStyle(const EditorStyle& style)
{
    style_ = style;
    const ClassStyle& text = style_[CharClass::Text];
    QPalette p = palette();
    p.setColor(QPalette::Text, text.colour);
    setPalette(p);
    QFont f = font();
    f.setBold(text.bold);
    f.setItalic(text.italic);
    setFont(f);
    setCurrentCharFormat(loadFormat(CharClass::Text));
}

QTextCharFormat ColourEditor::loadFormat(CharClass cls) const
{
    // Bold and italic are switched on by the class but never off: a class
    // without them shows whatever plain text has.
    const ClassStyle& text = style_[CharClass::Text];
    const ClassStyle& own = style_[cls];
    QTextCharFormat format;
    format.setForeground(own.colour);
    format.setFontWeight(own.bold || text.bold ? QFont::Bold : QFont::Normal);
    format.setFontItalic(own.italic || text.italic);
    return format;
}

QTextCharFormat ColourEditor::typingFormat(CharClass cls) const
{
    const ClassStyle& own = style_[cls];
    QTextCharFormat format;
    format.setForeground(own.colour);
    format.setFontWeight(own.bold ? QFont::Bold : QFont::Normal);
    format.setFontItalic(own.italic);
    return format;
}

void ColourEditor::SetColouredText(const QString& newText)
{
    const int oldStart = selectionStart();
    const int oldLength = selectionLength();
    for (size_t c = 0; c < loadFormats_.size(); ++c)
        loadFormats_[c] = loadFormat(CharClass(c));
    removed_.clear();

    // Plain text shows the text class through the widget's own colour and
    // font (setEditorStyle), so the text goes in by the widget's fast path:
    // one change notification, a fresh undo history, the caret at the start.
    // The colours are then laid over the lines, which is no edit at all.
    viewport()->setUpdatesEnabled(false);
    loading_ = true;
    // setPlainText gives the whole new text the caret's character format:
    // after "<b" was typed that is the tag name's, which would then stay
    // with every text loaded later. The loaded text carries no format.
    setTextCursor(QTextCursor(document()));
    setCurrentCharFormat(QTextCharFormat());
    setPlainText(newText);
    colourWholeText(newText);
    loading_ = false;

    setSelection(oldStart, oldLength);
    setCurrentCharFormat(loadFormats_[size_t(CharClass::Text)]);
    ensureCursorVisible();
    viewport()->setUpdatesEnabled(true);
    ApplyTabStops();
}

void ColourEditor::ReplaceColouredText(const QString& newText)
{
    if (newText == text())
        return; // no edit, no undo step
    const int oldStart = selectionStart();
    const int oldLength = selectionLength();
    viewport()->setUpdatesEnabled(false);
    // One edit block is one undo step. followEdit keeps the old text's
    // colours for undo to give back; the new text is coloured whole.
    QTextCursor all(document());
    all.select(QTextCursor::Document);
    all.insertText(newText, QTextCharFormat());
    colourWholeText(newText);
    setSelection(oldStart, oldLength);
    setCurrentCharFormat(loadFormats_[size_t(CharClass::Text)]);
    ensureCursorVisible();
    viewport()->setUpdatesEnabled(true);
}

void ColourEditor::colourWholeText(const QString& shown)
{
    runs_.clear();
    for (const ColourRun& run : ComputeColourRuns(shown))
        if (run.cls != CharClass::Text)
            runs_.push_back(run);
    QTextDocument* doc = document();
    layOutColours(doc->begin(), doc->lastBlock());
    doc->markContentsDirty(0, doc->characterCount());
}

void ColourEditor::layOutColours(const QTextBlock& first, const QTextBlock& last)
{
    auto run = std::lower_bound(runs_.begin(), runs_.end(), first.position(),
                                [](const ColourRun& r, int pos) { return r.start + r.length <= pos; });
    for (QTextBlock block = first; block.isValid(); block = block.next()) {
        const int blockStart = block.position();
        const int blockEnd = blockStart + block.length();
        QList<QTextLayout::FormatRange> ranges;
        for (auto r = run; r != runs_.end() && r->start < blockEnd; ++r) {
            const int from = std::max(r->start, blockStart);
            const int to = std::min(r->start + r->length, blockEnd);
            ranges.append({from - blockStart, to - from, loadFormats_[size_t(r->cls)]});
        }
        while (run != runs_.end() && run->start + run->length <= blockEnd)
            ++run;
        block.layout()->setFormats(ranges);
        if (block == last)
            break;
    }
}

void ColourEditor::followEdit(int position, int removed, int added)
{
    if (loading_ || (runs_.empty() && removed_.empty()))
        return;
    const int removedEnd = position + removed;
    const int shift = added - removed;
    auto first = std::lower_bound(runs_.begin(), runs_.end(), position,
                                  [](const ColourRun& r, int pos) { return r.start + r.length <= pos; });
    // Runs ending before the edit stay; runs the edit cuts into keep their
    // parts outside it (text inserted inside a run gets no loaded colour);
    // runs after it move.
    std::vector<ColourRun> kept;
    RemovedColours taken{position, removed, {}};
    auto rest = first;
    for (; rest != runs_.end() && rest->start < removedEnd; ++rest) {
        const int end = rest->start + rest->length;
        if (rest->start < position)
            kept.push_back({rest->start, position - rest->start, rest->cls});
        if (end > removedEnd)
            kept.push_back({removedEnd + shift, end - removedEnd, rest->cls});
        const int from = std::max(rest->start, position);
        const int to = std::min(end, removedEnd);
        if (to > from)
            taken.runs.push_back({from - position, to - from, rest->cls});
    }
    // Undo puts removed text back where it was: it gets its colours back.
    if (replaying_ && !removed_.empty() && removed_.back().position == position
        && removed_.back().length == added) {
        for (const ColourRun& r : removed_.back().runs)
            kept.push_back({position + r.start, r.length, r.cls});
        removed_.pop_back();
        std::sort(kept.begin(), kept.end(), [](const ColourRun& a, const ColourRun& b) { return a.start < b.start; });
    }
    if (!taken.runs.empty()) {
        if (removed_.size() >= 256)
            removed_.erase(removed_.begin());
        removed_.push_back(std::move(taken));
    }
    for (auto r = rest; r != runs_.end(); ++r)
        r->start += shift;
    const auto at = runs_.erase(first, rest);
    runs_.insert(at, kept.begin(), kept.end());

    QTextDocument* doc = document();
    const QTextBlock firstBlock = doc->findBlock(position);
    QTextBlock lastBlock = doc->findBlock(position + added);
    if (!lastBlock.isValid())
        lastBlock = doc->lastBlock();
    layOutColours(firstBlock, lastBlock);
    const int from = firstBlock.position();
    doc->markContentsDirty(from, lastBlock.position() + lastBlock.length() - from);
}

void ColourEditor::undoEdit()
{
    replaying_ = true;
    undo();
    replaying_ = false;
}

void ColourEditor::redoEdit()
{
    replaying_ = true;
    redo();
    replaying_ = false;
}

QTextCharFormat ColourEditor::shownFormat(int position) const
{
    QTextCursor c(document());
    c.setPosition(position + 1);
    QTextCharFormat format;
    format.setForeground(palette().color(QPalette::Text));
    format.setFont(font());
    format.merge(c.charFormat());
    const QTextBlock block = document()->findBlock(position);
    for (const QTextLayout::FormatRange& range : block.layout()->formats()) {
        const int offset = position - block.position();
        if (offset >= range.start && offset < range.start + range.length)
            format.merge(range.format);
    }
    return format;
}

void ColourEditor::ApplyTabStops()
{
    QTextOption option = document()->defaultTextOption();
    QList<QTextOption::Tab> tabs;
    for (qreal px : TabStopPixels(fontMetrics().horizontalAdvance(u'A')))
        tabs.append(QTextOption::Tab(px, QTextOption::LeftTab));
    option.setTabs(tabs);
    document()->setDefaultTextOption(option);
}

QString ColourEditor::text() const
{
    QString raw = document()->toRawText();
    raw.replace(QChar::ParagraphSeparator, u'\n');
    raw.replace(QChar::LineSeparator, u'\n');
    return raw;
}

int ColourEditor::selectionStart() const
{
    return textCursor().selectionStart();
}

int ColourEditor::selectionLength() const
{
    const QTextCursor c = textCursor();
    return c.selectionEnd() - c.selectionStart();
}

void ColourEditor::setSelection(int start, int length)
{
    const int end = document()->characterCount() - 1;
    const int from = std::clamp(start, 0, end);
    const int to = std::clamp(from + std::max(length, 0), from, end);
    QTextCursor c(document());
    c.setPosition(from);
    c.setPosition(to, QTextCursor::KeepAnchor);
    setTextCursor(c);
}

CharClass ColourEditor::classAtCaret(QChar key) const
{
    if (key == u'<' || key == u'>')
        return CharClass::TagSymbol;
    // Search backwards from the caret, line by line, only as far as the
    // nearest "<" or ">".
    const int caret = textCursor().selectionStart();
    QTextBlock block = document()->findBlock(caret);
    BackwardTagScan scan;
    if (block.isValid() && scan.feed(QStringView(block.text()).left(caret - block.position())))
        return scan.result();
    for (block = block.previous(); block.isValid(); block = block.previous())
        if (scan.feed(block.text()))
            break;
    return scan.result();
}

bool ColourEditor::TypingFormat(QKeyEvent* event)
{
    const QString typed = event->text();
    if (typed.isEmpty() || (typed[0].unicode() < 0x20 && typed[0] != u'\r' && typed[0] != u'\t'))
        return false;
    bool consumed = false;
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (enter && style_.autoIndent) {
        QTextCursor c = textCursor();
        const QTextBlock block = c.block();
        QString line = block.text();
        if (QTextLayout* layout = block.layout(); layout && layout->lineCount() > 0) {
            const QTextLine shown = layout->lineForTextPosition(c.position() - block.position());
            if (shown.isValid())
                line = line.mid(shown.textStart(), shown.textLength());
        }
        c.insertText(AutoIndentText(line));
        setTextCursor(c);
        consumed = true;
    }
    const CharClass cls = classAtCaret(enter ? QChar(u'\r') : typed[0]);
    setCurrentCharFormat(typingFormat(cls));
    return consumed;
}

void ColourEditor::setHistoryOutside(bool outside)
{
    historyOutside_ = outside;
    document()->setUndoRedoEnabled(!outside);
}

void ColourEditor::keyPressEvent(QKeyEvent* event)
{
    const bool undo = event->matches(QKeySequence::Undo);
    if (undo || event->matches(QKeySequence::Redo)) {
        if (historyOutside_)
            undo ? emit undoRequested() : emit redoRequested();
        else if (!isReadOnly())
            undo ? undoEdit() : redoEdit();
        event->accept();
        return;
    }
    if (!isReadOnly() && TypingFormat(event)) {
        event->accept();
        ensureCursorVisible();
        return;
    }
    // Shift+Enter would insert a line separator, which a body cannot hold
    // as a line break: every Enter breaks the line the same way.
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (enter && (event->modifiers() & Qt::ShiftModifier)) {
        QKeyEvent plain(event->type(), event->key(), event->modifiers() & ~Qt::ShiftModifier, event->text(),
                        event->isAutoRepeat(), ushort(event->count()));
        QTextEdit::keyPressEvent(&plain);
        event->setAccepted(plain.isAccepted());
        return;
    }
    QTextEdit::keyPressEvent(event);
}

void ColourEditor::insertFromMimeData(const QMimeData* source)
{
    emit insertBoundary();
    QTextEdit::insertFromMimeData(source);
    emit insertBoundary();
}

void ColourEditor::dragEnterEvent(QDragEnterEvent* event)
{
    const QList<QUrl> urls = event->mimeData()->urls();
    if (std::any_of(urls.begin(), urls.end(), [](const QUrl& url) { return url.isLocalFile(); })) {
        event->ignore();
        return;
    }
    QTextEdit::dragEnterEvent(event);
}

void ColourEditor::inputMethodEvent(QInputMethodEvent* event)
{
    if (!isReadOnly() && !event->commitString().isEmpty())
        setCurrentCharFormat(typingFormat(classAtCaret(event->commitString()[0])));
    QTextEdit::inputMethodEvent(event);
}
