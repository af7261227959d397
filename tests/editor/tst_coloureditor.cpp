// The editor widget: colouring on load, formats of typed characters,
// automatic indentation. Real widgets on the offscreen platform.
#include "editor/ColourEditor.h"

#include <QSignalSpy>
#include <QTest>
#include <QTextBlock>
#include <QTextCursor>

namespace {

EditorStyle DistinctStyle(bool textBold = false)
{
    EditorStyle style;
    style.classes[size_t(CharClass::Text)] = {QColor(1, 1, 1), textBold, false};
    style.classes[size_t(CharClass::TagSymbol)] = {QColor(2, 2, 2), false, false};
    style.classes[size_t(CharClass::TagDirective)] = {QColor(3, 3, 3), true, false};
    style.classes[size_t(CharClass::TagParameter)] = {QColor(4, 4, 4), false, true};
    return style;
}

QTextCharFormat FormatOfCharacter(const ColourEditor& editor, int position)
{
    return editor.shownFormat(position);
}

// One letter per character, by the colour the character shows.
QString ClassLettersShown(const ColourEditor& editor)
{
    QString out;
    const int count = int(editor.text().size());
    for (int i = 0; i < count; ++i)
        out += QChar(u"?TSDP"[FormatOfCharacter(editor, i).foreground().color().red()]);
    return out;
}

} // namespace

class TestColourEditor : public QObject {
    Q_OBJECT
private slots:
    void loadingColoursTags()
    {
        ColourEditor editor;
        editor.setEditorStyle(DistinctStyle());
        editor.SetColouredText(QStringLiteral("<a href=x>link</a>\n<p>  <b>"));
        QCOMPARE(editor.text(), QStringLiteral("<a href=x>link</a>\n<p>  <b>"));
        QCOMPARE(ClassLettersShown(editor), QStringLiteral("SDSPPPPPPSTTTTSDDSSSDSSSSDS"));
        QVERIFY(FormatOfCharacter(editor, 1).font().bold());     // directive
        QVERIFY(FormatOfCharacter(editor, 4).font().italic());   // parameter
        QVERIFY(!FormatOfCharacter(editor, 0).font().bold());    // symbol
        // A new font (the preferences) lays the text out again; the colours stay.
        editor.setFont(QFont(QStringLiteral("Monospace"), 15));
        editor.ApplyTabStops();
        QCOMPARE(ClassLettersShown(editor), QStringLiteral("SDSPPPPPPSTTTTSDDSSSDSSSSDS"));
    }

    void editsKeepLoadedColoursOnTheirCharacters_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("position");
        QTest::addColumn<int>("removed");
        QTest::addColumn<QString>("inserted");
        QTest::addColumn<QString>("classes");
        QTest::newRow("insert-between-tags") << "<b>x</b>" << 3 << 0 << "yy" << "SDSTTTSDDS";
        QTest::newRow("insert-inside-a-run") << "<b>x</b>" << 1 << 0 << "Q" << "STDSTSDDS";
        QTest::newRow("split-a-line") << "<p>a</p>\n<b>" << 4 << 0 << "\n" << "SDSTTSDDSSSDS";
        QTest::newRow("remove-across-lines") << "<p>\n<b>x" << 2 << 3 << "" << "SDDST";
        QTest::newRow("replace-a-tag") << "<a><b><c>" << 3 << 3 << "zz" << "SDSTTSDS";
    }
    void editsKeepLoadedColoursOnTheirCharacters()
    {
        QFETCH(QString, text);
        QFETCH(int, position);
        QFETCH(int, removed);
        QFETCH(QString, inserted);
        QFETCH(QString, classes);
        ColourEditor editor;
        editor.setEditorStyle(DistinctStyle());
        editor.SetColouredText(text);
        QTextCursor c(editor.document());
        c.setPosition(position);
        c.setPosition(position + removed, QTextCursor::KeepAnchor);
        c.insertText(inserted, QTextCharFormat());
        QCOMPARE(ClassLettersShown(editor), classes);
    }

    void undoGivesRemovedTextItsColoursBack_data()
    {
        QTest::addColumn<int>("position");
        QTest::addColumn<int>("removed");
        QTest::addColumn<QString>("inserted");
        QTest::newRow("deleted-tag") << 0 << 3 << "";
        QTest::newRow("tag-typed-over") << 4 << 4 << "x";
        QTest::newRow("across-lines") << 2 << 6 << "";
    }
    void undoGivesRemovedTextItsColoursBack()
    {
        QFETCH(int, position);
        QFETCH(int, removed);
        QFETCH(QString, inserted);
        ColourEditor editor;
        editor.setEditorStyle(DistinctStyle());
        editor.SetColouredText(QStringLiteral("<b>x</b>\n<i>y"));
        const QString before = ClassLettersShown(editor);
        QTextCursor c(editor.document());
        c.setPosition(position);
        c.setPosition(position + removed, QTextCursor::KeepAnchor);
        c.insertText(inserted, QTextCharFormat());
        QVERIFY(ClassLettersShown(editor) != before);
        editor.undoEdit();
        QCOMPARE(editor.text(), QStringLiteral("<b>x</b>\n<i>y"));
        QCOMPARE(ClassLettersShown(editor), before);
    }

    void boldTextMakesEveryLoadedClassBold()
    {
        ColourEditor editor;
        editor.setEditorStyle(DistinctStyle(true));
        editor.SetColouredText(QStringLiteral("<a b>c"));
        for (int i = 0; i < 6; ++i)
            QVERIFY2(FormatOfCharacter(editor, i).font().bold(), qPrintable(QString::number(i)));
    }

    void loadingIsOneChangeAndNoUndoStep()
    {
        ColourEditor editor;
        QTest::keyClicks(&editor, QStringLiteral("typed"));
        QVERIFY(editor.document()->isUndoAvailable());
        QSignalSpy changes(&editor, &QTextEdit::textChanged);
        QString many;
        for (int i = 0; i < 200; ++i)
            many += QStringLiteral("<td class=x>%1</td>\n").arg(i);
        editor.SetColouredText(many);
        QVERIFY(!editor.document()->isUndoAvailable());
        QVERIFY2(changes.count() >= 1 && changes.count() <= 2, qPrintable(QString::number(changes.count())));
    }

    void loadingKeepsSelectionNumbers()
    {
        ColourEditor editor;
        editor.SetColouredText(QStringLiteral("0123456789"));
        editor.setSelection(2, 3);
        editor.SetColouredText(QStringLiteral("abcdefghij"));
        QCOMPARE(editor.selectionStart(), 2);
        QCOMPARE(editor.selectionLength(), 3);
        editor.SetColouredText(QStringLiteral("abc"));
        QCOMPARE(editor.selectionStart(), 2);
        QCOMPARE(editor.selectionLength(), 1);
    }

    void typedCharactersTakeTheirClass()
    {
        ColourEditor editor;
        editor.setEditorStyle(DistinctStyle(true));
        editor.show();
        QTest::keyClicks(&editor, QStringLiteral("<a href>x"));
        QCOMPARE(editor.text(), QStringLiteral("<a href>x"));
        // The space right after the name is typed while the name is still open.
        QCOMPARE(ClassLettersShown(editor), QStringLiteral("SDDPPPPST"));
        // Typed characters take the class's own bold switch, not the text's.
        QVERIFY(!FormatOfCharacter(editor, 0).font().bold());
        QVERIFY(FormatOfCharacter(editor, 8).font().bold());
    }

    void enterIndents_data()
    {
        QTest::addColumn<bool>("autoIndent");
        QTest::addColumn<QString>("expected");
        QTest::newRow("on") << true << QStringLiteral("\tfoo bar\n\t ");
        QTest::newRow("off") << false << QStringLiteral("\tfoo bar\n");
    }
    void enterIndents()
    {
        QFETCH(bool, autoIndent);
        QFETCH(QString, expected);
        ColourEditor editor;
        EditorStyle style = DistinctStyle();
        style.autoIndent = autoIndent;
        editor.setEditorStyle(style);
        editor.resize(400, 200);
        editor.show();
        editor.SetColouredText(QStringLiteral("\tfoo bar"));
        editor.setSelection(8, 0);
        QTest::keyClick(&editor, Qt::Key_Return);
        QCOMPARE(editor.text(), expected);
        QCOMPARE(editor.selectionStart(), int(expected.size()));
    }

    void shiftEnterBreaksTheLineLikeEnter()
    {
        ColourEditor editor;
        editor.SetColouredText(QStringLiteral("ab"));
        editor.setSelection(1, 0);
        QTest::keyClick(&editor, Qt::Key_Return, Qt::ShiftModifier);
        QCOMPARE(editor.text(), QStringLiteral("a\nb"));
        QCOMPARE(editor.document()->blockCount(), 2);
    }

    void tabStopsEveryTwoCharacterWidths()
    {
        const QList<qreal> stops = TabStopPixels(8);
        QCOMPARE(stops.size(), 32);
        QCOMPARE(stops[0], 0.0);
        QCOMPARE(stops[1], 12 * 96.0 / 72.0); // (8 * 2 * 1 * 3) / 4 = 12 points
        ColourEditor editor;
        editor.ApplyTabStops();
        QCOMPARE(editor.document()->defaultTextOption().tabs().size(), 32);
    }
};

QTEST_MAIN(TestColourEditor)
#include "tst_coloureditor.moc"
