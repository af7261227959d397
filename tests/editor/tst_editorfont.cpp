// The editor's font: the stored one when it is installed, else a Japanese
// font whose Latin letters have one width and whose kanji are twice as
// wide, so that HTML lined up by its tags stays lined up. Needs
// fonts-noto-cjk; the window is the header's source editor.
#include "document/TextCodec.h"
#include "editor/TformSourceEditor.h"
#include "settings/Settings.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QTest>

class TestEditorFont : public QObject {
    Q_OBJECT
private slots:
    void storedFontOrJapaneseMonospace_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<bool>("installed");
        QTest::newRow("the Windows default") << "ＭＳ ゴシック" << false;
        QTest::newRow("a Latin font not installed") << "Courier New" << false;
        QTest::newRow("a Latin fixed font") << "DejaVu Sans Mono" << true;
        QTest::newRow("a Japanese fixed font") << "Noto Sans Mono CJK JP" << true;
    }

    void storedFontOrJapaneseMonospace()
    {
        QFETCH(QString, stored);
        QFETCH(bool, installed);
        QCOMPARE(QFontDatabase::hasFamily(stored), installed); // the row's premise
        Settings settings;
        settings.EditorFontName = TextCodec::FromUnicodeWithReferences(stored);
        settings.EditorFontSize = 14;
        TformSourceEditor window(settings);
        window.show();
        const QFont shown = window.findChild<ColourEditor*>()->font();
        const QString family = QFontInfo(shown).family();
        QCOMPARE(shown.pointSize(), 14);
        if (installed) {
            QCOMPARE(family, stored);
            return;
        }
        QVERIFY2(QFontDatabase::writingSystems(family).contains(QFontDatabase::Japanese), qPrintable(family));
        const QFontMetricsF metrics(shown);
        const qreal latin = metrics.horizontalAdvance(u'A');
        for (QChar c : QStringLiteral("iWm.<>/"))
            QCOMPARE(metrics.horizontalAdvance(c), latin);
        for (QChar c : QStringLiteral("漢あア"))
            QCOMPARE(metrics.horizontalAdvance(c), 2 * latin);
    }
};

QTEST_MAIN(TestEditorFont)
#include "tst_editorfont.moc"
