#include "editor/ColourEditor.h"

#include "editor/EditorText.h"

#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>

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
    style_.classes[size_t(CharClass::Text)].colour = Qt::black;
    style_.classes[size_t(CharClass::TagSymbol)].colour = QColor(0x00, 0x00, 0x80);
    style_.classes[size_t(CharClass::TagDirective)].colour = QColor(0x00, 0x00, 0xFF);
    style_.classes[size_t(CharClass::TagParameter)].colour = QColor(0x80, 0x00, 0x00);
}

void ColourEditor::setEditorStyle(const EditorStyle& style)
{
    style_ = style;
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
    const std::vector<ColourRun> runs = ComputeColourRuns(newText);
    const std::array<QTextCharFormat, 4> formats{loadFormat(CharClass::Text), loadFormat(CharClass::TagSymbol),
                                                 loadFormat(CharClass::TagDirective),
                                                 loadFormat(CharClass::TagParameter)};

    QTextDocument* doc = document();
    viewport()->setUpdatesEnabled(false);
    // Loading is not an edit: switching undo off clears the history, and the
    // edit block makes the whole insertion one change notification.
    doc->setUndoRedoEnabled(false);
    doc->clear();
    QTextCursor cursor(doc);
    cursor.setCharFormat(formats[0]);
    cursor.beginEditBlock();
    for (const ColourRun& run : runs)
        cursor.insertText(QStringView(newText).mid(run.start, run.length).toString(), formats[size_t(run.cls)]);
    cursor.endEditBlock();
    doc->setUndoRedoEnabled(true);

    setSelection(oldStart, oldLength);
    setCurrentCharFormat(formats[0]);
    ensureCursorVisible();
    viewport()->setUpdatesEnabled(true);
    ApplyTabStops();
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

void ColourEditor::keyPressEvent(QKeyEvent* event)
{
    if (!isReadOnly() && TypingFormat(event)) {
        event->accept();
        ensureCursorVisible();
        return;
    }
    QTextEdit::keyPressEvent(event);
}

void ColourEditor::inputMethodEvent(QInputMethodEvent* event)
{
    if (!isReadOnly() && !event->commitString().isEmpty())
        setCurrentCharFormat(typingFormat(classAtCaret(event->commitString()[0])));
    QTextEdit::inputMethodEvent(event);
}
