// The main window's commands that open the program's other windows: new
// page, save as, the user header, page properties, preferences, the upload
// window and the About box.
#include "app/TformMain.h"

#include "dialogs/TformAbout.h"
#include "dialogs/TformNewPage.h"
#include "dialogs/TformPageProperty.h"
#include "dialogs/TformPreferences.h"
#include "dialogs/TformUpload.h"
#include "editor/TformSourceEditor.h"
#include "page/PageDocument.h"
#include "ui_TformMain.h"

void TformMain::setWindows(const AppWindows& windows)
{
    windows_ = windows;
    ui_->MainMenu_FNP->setEnabled(windows_.formNewPage);
    ui_->MainMenu_FSA->setEnabled(windows_.formNewPage);
    ui_->MainMenu_FH->setEnabled(windows_.formSourceEditor);
    ui_->MainMenu_FR->setEnabled(windows_.formPageProperty);
    ui_->MainMenu_EP->setEnabled(windows_.formPreferences);
    ui_->MainMenu_TF->setEnabled(windows_.formUpload);
    ui_->MainMenu_HA->setEnabled(windows_.formAbout);
}

void TformMain::connectWindowCommands()
{
    connect(ui_->MainMenu_FNP, &QAction::triggered, this, &TformMain::MainMenu_FNPClick);
    connect(ui_->MainMenu_FSA, &QAction::triggered, this, &TformMain::MainMenu_FSAClick);
    connect(ui_->MainMenu_FH, &QAction::triggered, this, &TformMain::MainMenu_FHClick);
    connect(ui_->MainMenu_FR, &QAction::triggered, this, &TformMain::MainMenu_FRClick);
    connect(ui_->MainMenu_EP, &QAction::triggered, this, &TformMain::MainMenu_EPClick);
    connect(ui_->MainMenu_TF, &QAction::triggered, this, &TformMain::MainMenu_TFClick);
    connect(ui_->MainMenu_HA, &QAction::triggered, this, &TformMain::MainMenu_HAClick);
}

// --- New page and save as ---------------------------------------------------

void TformMain::MainMenu_FNPClick()
{
    // Asked before the dialog, which writes the new names into the page.
    if (!windows_.formNewPage || !ConfirmDiscard())
        return;
    RememberViewState(); // before the dialog writes the new page's names
    if (windows_.formNewPage->exec() != QDialog::Accepted)
        return;
    page_.ResetPage(settings_.newPageDefaults());
    PageStarted(false);
}

void TformMain::MainMenu_FSAClick()
{
    if (!windows_.formNewPage)
        return;
    FinishTyping();
    const PageProperties before = page_.properties();
    if (windows_.formNewPage->exec() != QDialog::Accepted)
        return;
    // A copy differs from its page by its names only. The dialog gives a new
    // page its default options; the copy keeps the page's own character set,
    // style sheet, script and upload setting, or it would link a style sheet
    // that is not there and go to another server.
    PageProperties renamed = before;
    renamed.Title = page_.Title;
    renamed.FileName = page_.FileName;
    renamed.DatabasePath = page_.DatabasePath;
    page_.properties() = renamed;
    // The page has new names now, saved or not: a step, as a properties edit.
    document_.PropertiesEdited(before);
    SavePage();
}

// --- User header --------------------------------------------------------------

void TformMain::MainMenu_FHClick()
{
    if (!windows_.formSourceEditor)
        return;
    TformSourceEditor& editor = *windows_.formSourceEditor;
    FinishTyping();
    editor.setSourceText(page_.UserHeader);
    if (editor.exec() != QDialog::Accepted || editor.sourceText() == page_.UserHeader)
        return;
    const PageProperties before = page_.properties();
    page_.UserHeader = editor.sourceText();
    document_.PropertiesEdited(before);
}

// --- Page properties ------------------------------------------------------------

void TformMain::MainMenu_FRClick()
{
    if (!windows_.formPageProperty)
        return;
    // The dialog writes into the page itself; its result does not matter.
    FinishTyping();
    const PageProperties before = page_.properties();
    windows_.formPageProperty->exec();
    pagePropertiesEdited(before);
}

// --- Preferences ------------------------------------------------------------------

void TformMain::MainMenu_EPClick()
{
    if (!windows_.formPreferences)
        return;
    windows_.formPreferences->exec();
    // Whatever the result: the font size is taken at once by the font picker.
    ApplyEditorAppearance();
}

// --- Upload -------------------------------------------------------------------------

void TformMain::MainMenu_TFClick()
{
    if (!windows_.formUpload)
        return;
    windows_.formUpload->exec(); // its result means nothing here
}

// --- About ----------------------------------------------------------------------------

void TformMain::MainMenu_HAClick()
{
    if (!windows_.formAbout)
        return;
    windows_.formAbout->exec();
}
