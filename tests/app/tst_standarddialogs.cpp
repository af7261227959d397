// Qt's own windows in a Japanese program: after the program's start-up has
// set Qt to Japanese they speak it also in the C locale, where Qt would
// otherwise fall back to English.
#include "app/QtTranslations.h"
#include "common/ModalAnswer.h"

#include <QColorDialog>
#include <QFileDialog>
#include <QFileIconProvider>
#include <QFontDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMenu>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTest>

namespace {

// Every caption a window shows: labels, buttons, group titles.
QStringList Captions(const QWidget* window)
{
    QStringList texts;
    for (const QLabel* label : window->findChildren<QLabel*>())
        texts << label->text();
    for (const QAbstractButton* button : window->findChildren<QAbstractButton*>())
        texts << button->text();
    for (const QGroupBox* group : window->findChildren<QGroupBox*>())
        texts << group->title();
    return texts;
}

QStringList MenuEntries(QMenu* menu)
{
    QStringList texts;
    for (const QAction* action : menu->actions())
        texts << action->text();
    delete menu;
    return texts;
}

// What a save dialog asks when the chosen file is already there.
QStringList OverwriteQuestion()
{
    QTemporaryDir dir;
    QFile existing(dir.filePath("page.html"));
    if (!existing.open(QIODevice::WriteOnly))
        return {};
    existing.close();
    QFileDialog dialog;
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDirectory(dir.path());
    dialog.selectFile(existing.fileName());
    Box box;
    Answer(QMessageBox::No, &box);
    static_cast<QDialog&>(dialog).accept(); // what its Save button runs
    return {box.text};
}

QStringList TextsOf(const QString& window)
{
    if (window == "file dialog") {
        QFileDialog dialog;
        dialog.setOption(QFileDialog::DontUseNativeDialog);
        return Captions(&dialog);
    }
    if (window == "overwrite question")
        return OverwriteQuestion();
    if (window == "font dialog") {
        QFontDialog dialog;
        dialog.setOption(QFontDialog::DontUseNativeDialog);
        return Captions(&dialog);
    }
    if (window == "colour dialog") {
        QColorDialog dialog;
        dialog.setOption(QColorDialog::DontUseNativeDialog);
        return Captions(&dialog);
    }
    // The file list's type column.
    if (window == "file list") {
        QTemporaryDir dir;
        QFile text(dir.filePath("notes.txt"));
        if (!text.open(QIODevice::WriteOnly))
            return {};
        text.close();
        const QFileIconProvider types;
        return {types.type(QFileInfo(dir.path())), types.type(QFileInfo(text))};
    }
    if (window == "text field menu")
        return MenuEntries(QLineEdit().createStandardContextMenu());
    QPlainTextEdit memo;
    return MenuEntries(memo.createStandardContextMenu());
}

} // namespace

class TestStandardDialogs : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        QCOMPARE(QLocale::system().name(), QStringLiteral("C")); // the test's own premise
        QVERIFY(UseJapaneseInQt());
    }

    void qtWindowsSpeakJapanese_data()
    {
        QTest::addColumn<QString>("window");
        QTest::addColumn<QString>("japanese");
        QTest::addColumn<QString>("english");
        QTest::newRow("file dialog's button") << "file dialog" << "開く(&O)" << "&Open";
        QTest::newRow("file dialog's name field") << "file dialog" << "ファイル名(&N):" << "File &name:";
        QTest::newRow("replacing a file") << "overwrite question" << "置き換えますか" << "already exists";
        QTest::newRow("folder type") << "file list" << "フォルダ" << "Folder";
        QTest::newRow("file type") << "file list" << "テキスト" << "text";
        QTest::newRow("font dialog") << "font dialog" << "フォント(&F)" << "&Font";
        QTest::newRow("colour dialog") << "colour dialog" << "基本カラー(&B)" << "&Basic colors";
        QTest::newRow("text field's menu") << "text field menu" << "元に戻す(&U)" << "&Undo";
        QTest::newRow("text area's menu") << "text area menu" << "すべてを選択" << "Select All";
    }

    void qtWindowsSpeakJapanese()
    {
        QFETCH(QString, window);
        QFETCH(QString, japanese);
        QFETCH(QString, english);
        const QString texts = TextsOf(window).join(u'|');
        QVERIFY2(texts.contains(japanese), qPrintable(texts));
        QVERIFY2(!texts.contains(english), qPrintable(texts));
    }
};

QTEST_MAIN(TestStandardDialogs)
#include "tst_standarddialogs.moc"
