#pragma once

#include "document/SjisString.h"
#include "editor/ColourEditor.h"

#include <QDialog>
#include <QStringView>

#include <memory>

class QMenu;
struct Settings;
namespace Ui {
class TformSourceEditor;
}

// A range of editor positions.
struct EditorRange {
    int start = 0;
    int length = 0;
    bool operator==(const EditorRange&) const = default;
};

// What the window selects when it opens: a text that begins with "<!--" has
// its first comment selected, up to and including the first "-->" (only the
// "<!" when there is none), so that typing replaces a placeholder comment.
// Nothing for other texts.
std::optional<EditorRange> LeadingCommentSelection(QStringView text);

// The colours of this window; they do not follow the preferences.
EditorStyle SourceEditorStyle();

// The window that edits the page's user header: one colouring editor, a
// tool bar and a context menu. The caller sets SourceText, runs the window
// and reads SourceText back; the window has no cancel, so every close keeps
// the text and ends with the OK result.
class TformSourceEditor : public QDialog {
    Q_OBJECT
public:
    explicit TformSourceEditor(const Settings& settings, QWidget* parent = nullptr);
    ~TformSourceEditor() override;

    // The text being edited (Shift_JIS). A text the user did not change comes
    // back with its bytes unchanged.
    void setSourceText(SjisView text) { SourceText = SjisString(text); }
    const SjisString& sourceText() const { return SourceText; }

    Ui::TformSourceEditor& form() { return *ui_; }
    QMenu* popupMenu() const { return PopupMenu; }

    void done(int result) override;

protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool event(QEvent* event) override;

private slots:
    void PopupMenu_UClick();
    void PopupMenu_XClick();
    void PopupMenu_CClick();
    void PopupMenu_VClick();
    void PopupMenu_AClick();
    void PopupMenu_EClick();

private:
    void FormShow();

    std::unique_ptr<Ui::TformSourceEditor> ui_;
    const Settings& settings_;
    QMenu* PopupMenu = nullptr;
    SjisString SourceText;
    QString loadedText_; // the text as loaded, to tell whether it was edited
};
