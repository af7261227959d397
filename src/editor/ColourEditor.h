#pragma once

#include "editor/HtmlColouring.h"

#include <QColor>
#include <QTextCharFormat>
#include <QTextEdit>

#include <array>

// Colour and style switches of one class of characters.
struct ClassStyle {
    QColor colour;
    bool bold = false;
    bool italic = false;
};

// How the editor shows the four classes, and whether Enter indents.
struct EditorStyle {
    std::array<ClassStyle, 4> classes; // indexed by CharClass
    bool autoIndent = false;

    const ClassStyle& operator[](CharClass c) const { return classes[size_t(c)]; }
};

// A colour stored as 0x00BBGGRR.
QColor ColourFromBgr(int bgr);

// Tab stop positions in pixels for a font whose "A" is `charWidth` pixels
// wide: 32 stops, two "A" widths apart, computed in whole points as on a
// 96 dpi screen.
QList<qreal> TabStopPixels(int charWidth);

// The node editor: plain HTML source with tags coloured once on loading and
// each typed character given the format of the class it is typed in.
// Positions and texts are the widget's own (one '\n' per line break); the
// binding converts them for the model.
//
// The colours of a loaded text are laid over the lines as display formats,
// not stored as character formats: a megabyte of tags then loads in one pass
// instead of one document edit per run. They follow the text through edits
// (text typed or pasted later shows its own character format), and like
// character formats they are presentation only.
class ColourEditor : public QTextEdit {
    Q_OBJECT
public:
    explicit ColourEditor(QWidget* parent = nullptr);

    void setEditorStyle(const EditorStyle& style);
    const EditorStyle& editorStyle() const { return style_; }

    // Replaces the text and colours it in one batch: the undo history starts
    // afresh and the change signal is raised once, not per format. The
    // selection keeps its numbers (clamped to the new text).
    void SetColouredText(const QString& text);
    // Replaces the text by an edit (the paragraph command) and colours it
    // as a load does: one undo step, the history before it kept. Nothing
    // happens when the text is the same.
    void ReplaceColouredText(const QString& text);
    // Sets the insertion format for a key about to be typed; returns true
    // when it inserted the text itself (automatic indentation of Enter).
    bool TypingFormat(QKeyEvent* event);
    void ApplyTabStops();

    // Undo and redo that give text coming back its loaded colours.
    void undoEdit();
    void redoEdit();
    // The node editor's changes belong to the page's history, not to the
    // editor's own: the undo and redo keys then ask for it by the signals,
    // and the editor keeps no history of its own.
    void setHistoryOutside(bool outside);

    // The text exactly as typed (no-break spaces kept), '\n' between lines.
    QString text() const;
    int selectionStart() const;
    int selectionLength() const;
    // Selects from `start` for `length` characters, clamped to the text; the
    // caret ends at the end of the selection.
    void setSelection(int start, int length);

    // The format a character shows: its own, with the loaded colour over it.
    QTextCharFormat shownFormat(int position) const;
    // The effective format of a class when a whole text is coloured.
    QTextCharFormat loadFormat(CharClass cls) const;
    // The format a typed character of the class gets.
    QTextCharFormat typingFormat(CharClass cls) const;

signals:
    // With the history outside: the undo or redo keys were pressed.
    void undoRequested();
    void redoRequested();
    // A paste or a drop is about to insert text, or has inserted it: a run
    // of typing ends on either side of it.
    void insertBoundary();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void insertFromMimeData(const QMimeData* source) override;
    // Dropped files are no text for the body: the drag is left to the
    // window, which opens the page. Dropped text is inserted as usual.
    void dragEnterEvent(QDragEnterEvent* event) override;
    // Text composed by an input method arrives here, not as key presses.
    void inputMethodEvent(QInputMethodEvent* event) override;

private:
    CharClass classAtCaret(QChar key) const;
    // Keeps the loaded colours on their characters after an edit.
    void followEdit(int position, int removed, int added);
    // Colours the whole of `shown`, the editor's text, from scratch.
    void colourWholeText(const QString& shown);
    // Gives the lines from `first` to `last` their display formats from runs_.
    void layOutColours(const QTextBlock& first, const QTextBlock& last);

    // Loaded colours an edit took away, for undo to give back.
    struct RemovedColours {
        int position = 0;
        int length = 0;
        std::vector<ColourRun> runs; // relative to position
    };

    EditorStyle style_;
    std::array<QTextCharFormat, 4> loadFormats_;
    std::vector<ColourRun> runs_; // loaded runs other than text, in document positions
    std::vector<RemovedColours> removed_;
    bool loading_ = false;
    bool replaying_ = false; // an undo or redo is running
    bool historyOutside_ = false;
};
