// The user header's source editor: what it selects on opening, its fixed
// colours, and how it closes. Real widgets on the offscreen platform.
#include "document/TextCodec.h"
#include "editor/TformSourceEditor.h"
#include "settings/Settings.h"
#include "ui_TformSourceEditor.h"

#include <QApplication>
#include <QTest>
#include <QToolButton>

Q_DECLARE_METATYPE(std::optional<EditorRange>)

namespace {

// The class letter of each character by the colour and weight it shows:
// T black, S aqua, D blue and bold, P maroon; lower case for a wrong weight.
QString ClassLetters(const ColourEditor& editor)
{
    QString out;
    for (int i = 0; i < int(editor.text().size()); ++i) {
        const QTextCharFormat f = editor.shownFormat(i);
        const QColor c = f.foreground().color();
        const bool bold = f.font().bold();
        QChar letter = u'?';
        if (c == QColor(0, 0, 0))
            letter = bold ? u't' : u'T';
        else if (c == QColor(0, 255, 255))
            letter = bold ? u's' : u'S';
        else if (c == QColor(0, 0, 255))
            letter = bold ? u'D' : u'd';
        else if (c == QColor(128, 0, 0))
            letter = bold ? u'p' : u'P';
        out += letter;
    }
    return out;
}

} // namespace

class TestSourceEditor : public QObject {
    Q_OBJECT
private:
    Settings settings_;

    // The preferences' colours are all different from the window's own.
    void SetUpSettings()
    {
        settings_.EditorTextColor = 0x123456;
        settings_.EditorTagSymbolColor = 0x654321;
        settings_.EditorTagDirectiveBold = false;
        settings_.EditorTextBold = true;
    }

private slots:
    void initTestCase() { SetUpSettings(); }

    void leadingCommentIsSelected_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<std::optional<EditorRange>>("selection");
        const QString placeholder = QStringLiteral("<!-- TODO: ユーザ定義ヘッダを記述してください -->");
        QTest::newRow("placeholder, its line break left out")
            << placeholder + "\n<meta>" << std::optional(EditorRange{0, int(placeholder.size())});
        QTest::newRow("no end: the first two characters") << "<!-- open" << std::optional(EditorRange{0, 2});
        QTest::newRow("end inside the opening") << "<!-->x" << std::optional(EditorRange{0, 5});
        QTest::newRow("comment later") << " <!-- x -->" << std::optional<EditorRange>();
        QTest::newRow("empty") << "" << std::optional<EditorRange>();
    }

    void leadingCommentIsSelected()
    {
        QFETCH(QString, text);
        QFETCH(std::optional<EditorRange>, selection);
        QCOMPARE(LeadingCommentSelection(text), selection);
    }

    void loadedTextHasTheWindowsOwnColours()
    {
        TformSourceEditor window(settings_);
        window.setSourceText("<a href=x>link</a>");
        window.show();
        QCOMPARE(ClassLetters(*window.form().RichEdit), QStringLiteral("SDSPPPPPPSTTTTSDDS"));
    }

    void typedCharactersTakeTheWindowsOwnFormats()
    {
        TformSourceEditor window(settings_);
        window.setSourceText("");
        window.show();
        QTest::keyClicks(window.form().RichEdit, "<a b>c");
        QCOMPARE(ClassLetters(*window.form().RichEdit), QStringLiteral("SDDPST"));
    }

    // Every close keeps the text: the Close command by its key and its
    // button, and a close by the window manager. Escape does not close.
    void everyCloseKeepsTheText_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<bool>("closes");
        QTest::newRow("Ctrl+E") << "ctrl+e" << true;
        QTest::newRow("tool button") << "button" << true;
        QTest::newRow("context menu") << "menu" << true;
        QTest::newRow("window manager") << "close" << true;
        QTest::newRow("Escape") << "escape" << false;
    }

    void everyCloseKeepsTheText()
    {
        QFETCH(QString, how);
        QFETCH(bool, closes);
        TformSourceEditor window(settings_);
        window.setSourceText("<b>");
        window.open();
        QTRY_COMPARE(QApplication::activeWindow(), &window); // shortcuts act in the active window
        ColourEditor* editor = window.form().RichEdit;
        editor->setSelection(3, 0);
        QTest::keyClicks(editor, "x");
        if (how == "ctrl+e")
            QTest::keyClick(editor, Qt::Key_E, Qt::ControlModifier);
        else if (how == "button")
            window.findChild<QToolButton*>("tbtnClose")->click();
        else if (how == "menu")
            window.form().PopupMenu_E->trigger();
        else if (how == "close")
            window.close();
        else
            QTest::keyClick(editor, Qt::Key_Escape);
        QCOMPARE(window.isVisible(), !closes);
        if (closes) {
            QCOMPARE(window.result(), int(QDialog::Accepted));
            QCOMPARE(window.sourceText(), SjisString("<b>x"));
        }
    }

    void unchangedTextKeepsItsBytes()
    {
        TformSourceEditor window(settings_);
        const SjisString odd("<p>\x81\r\n\r", 7); // a lone lead byte, a lone CR
        window.setSourceText(odd);
        window.show();
        window.form().PopupMenu_E->trigger();
        QCOMPARE(window.sourceText(), odd);
    }

    void selectionOfTheLastCloseIsRestored()
    {
        TformSourceEditor window(settings_);
        window.setSourceText("abc def");
        window.show();
        window.form().RichEdit->setSelection(4, 3);
        window.form().PopupMenu_E->trigger();
        window.setSourceText("hello world");
        window.show();
        QCOMPARE(window.form().RichEdit->selectionStart(), 4);
        QCOMPARE(window.form().RichEdit->selectionLength(), 3);
    }

    void shortcutsWorkWithTheMenuClosed()
    {
        TformSourceEditor window(settings_);
        window.setSourceText("one");
        window.show();
        QTRY_COMPARE(QApplication::activeWindow(), &window);
        ColourEditor* editor = window.form().RichEdit;
        editor->setSelection(3, 0);
        QTest::keyClicks(editor, "two");
        QTest::keyClick(editor, Qt::Key_Backspace, Qt::AltModifier);
        QCOMPARE(editor->text(), QStringLiteral("one"));
    }
};

QTEST_MAIN(TestSourceEditor)
#include "tst_sourceeditor.moc"
