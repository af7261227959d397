// The main window's commands that open the header editor, the page
// properties and the preferences, with the real windows.
#include "app/ProgramWindows.h"
#include "app/TformMain.h"
#include "page/PageDocument.h"
#include "common/ModalAnswer.h"
#include "dialogs/TformPageProperty.h"
#include "dialogs/TformPreferences.h"
#include "document/TextCodec.h"
#include "editor/TformSourceEditor.h"
#include "settings/SettingsStore.h"
#include "ui_TformMain.h"
#include "ui_TformPageProperty.h"
#include "ui_TformPreferences.h"
#include "ui_TformSourceEditor.h"

#include <QColorDialog>
#include <QFontDialog>
#include <QTemporaryDir>
#include <QTest>

class TestDialogCommands : public QObject {
    Q_OBJECT
private:
    QTemporaryDir dir_;
    std::unique_ptr<QSettingsStore> store_, recent_;
    Settings settings_;
    PageDocument document_;
    Page& page_ = document_.page();
    std::unique_ptr<TformMain> window_;
    std::unique_ptr<ProgramWindows> windows_;

private slots:
    void initTestCase()
    {
        store_ = std::make_unique<QSettingsStore>(dir_.filePath("QUIB.conf"));
        recent_ = std::make_unique<QSettingsStore>(dir_.filePath("OFH.conf"));
        settings_.ProgramFolder = TextCodec::FromUnicodeWithReferences(dir_.path() + "/");
        window_ = std::make_unique<TformMain>(document_, settings_);
        window_->setStores(store_.get(), recent_.get());
        windows_ = std::make_unique<ProgramWindows>(*window_, page_, settings_, *store_);
        window_->setWindows(windows_->windows());
        window_->show();
        // Activation comes late on this platform; a late one would take the
        // keyboard from the dialogs the tests open.
        QTRY_COMPARE(QApplication::activeWindow(), window_.get());
        QVERIFY(window_->form().MainMenu_FH->isEnabled());
        QVERIFY(window_->form().MainMenu_FR->isEnabled());
        QVERIFY(window_->form().MainMenu_EP->isEnabled());
    }

    void cleanupTestCase()
    {
        windows_.reset();
        window_->setWindows({});
        if (window_->isModified())
            Answer(QMessageBox::Discard);
        window_->close();
    }

    void headerCommandStoresTheEditedHeader()
    {
        QVERIFY(!window_->isModified());
        WhenModal<TformSourceEditor>([](TformSourceEditor* editor) {
            // Shortcuts act in the active window only.
            QTRY_COMPARE(QApplication::activeWindow(), editor);
            // The placeholder comment is selected: typing replaces it.
            QTest::keyClicks(editor->form().RichEdit, "<meta>");
            QTest::keyClick(editor->form().RichEdit, Qt::Key_E, Qt::ControlModifier);
        });
        window_->form().MainMenu_FH->trigger();
        QCOMPARE(page_.UserHeader, SjisString("<meta>\r\n"));
        QVERIFY(window_->isModified());
    }

    void propertiesCommandMarksThePageChangedOnlyWhenItIs()
    {
        window_->SavePage();
        QVERIFY(!window_->isModified());
        WhenModal<TformPageProperty>([](TformPageProperty* d) { d->form().bttnOk->click(); });
        window_->form().MainMenu_FR->trigger();
        QVERIFY(!window_->isModified());
        WhenModal<TformPageProperty>([](TformPageProperty* d) {
            d->form().rbtnEuc->click();
            d->form().bttnOk->click();
        });
        window_->form().MainMenu_FR->trigger();
        QCOMPARE(page_.CharacterSet, Charset::EucJp);
        QVERIFY(window_->isModified());
    }

    // Whatever the result, the tree and the editor take the settings' font
    // and background again.
    void preferencesAreAppliedAfterTheDialogCloses()
    {
        WhenModal<TformPreferences>([](TformPreferences* d) {
            WhenModal<QColorDialog>([](QColorDialog* c) {
                c->setCurrentColor(QColor(0xEE, 0xDD, 0xCC));
                c->accept();
            });
            d->form().sbtnEditorBG->click();
            d->form().bttnOk->click();
        });
        window_->form().MainMenu_EP->trigger();
        QCOMPARE(window_->form().TreeView->palette().color(QPalette::Base), QColor(0xEE, 0xDD, 0xCC));

        WhenModal<TformPreferences>([](TformPreferences* d) {
            WhenModal<QFontDialog>([](QFontDialog* f) {
                f->setCurrentFont(QFont("DejaVu Sans Mono", 19));
                f->accept();
            });
            d->form().bttnEditorFontName->click();
            d->form().bttnCancel->click();
        });
        window_->form().MainMenu_EP->trigger();
        QCOMPARE(window_->form().TreeView->font().pointSize(), 19);
        QCOMPARE(window_->form().RichEdit->font().pointSize(), 19);
    }
};

QTEST_MAIN(TestDialogCommands)
#include "tst_dialogcommands.moc"
