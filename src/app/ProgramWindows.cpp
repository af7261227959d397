#include "app/ProgramWindows.h"

#include "app/ErrorDisplay.h"
#include "app/TformMain.h"
#include "dialogs/TformAbout.h"
#include "dialogs/TformFolderDialog.h"
#include "dialogs/TformNewPage.h"
#include "dialogs/TformPageProperty.h"
#include "dialogs/TformPreferences.h"
#include "dialogs/TformUpload.h"
#include "editor/TformSourceEditor.h"

ProgramWindows::ProgramWindows(TformMain& main, Page& page, Settings& settings, SettingsStore& store)
{
    formNewPage_ = std::make_unique<TformNewPage>(page, settings, &main);
    formFolderDialog_ = std::make_unique<TformFolderDialog>(&main);
    formNewPage_->setFolderDialog(formFolderDialog_.get());
    formPreferences_ = std::make_unique<TformPreferences>(settings, store, &main);
    formSourceEditor_ = std::make_unique<TformSourceEditor>(settings, &main);
    formAbout_ = std::make_unique<TformAbout>(&main);
    formUpload_ = std::make_unique<TformUpload>(store, &main);
    TformUpload* upload = formUpload_.get();
    QObject::connect(upload, &TformUpload::errorRaised, upload,
                     [upload](const QString& text) { ShowError(upload, text); });
    formPageProperty_ = std::make_unique<TformPageProperty>(page, settings, store, &main);
    windows_ = {formNewPage_.get(), formFolderDialog_.get(), formPreferences_.get(), formSourceEditor_.get(),
                formAbout_.get(),   formUpload_.get(),       formPageProperty_.get()};
}

// Members go last made first, before the main window that is their parent.
// The upload's last notices get a moment to leave first, no more: a
// companion or notice service that never answers cannot keep the program.
ProgramWindows::~ProgramWindows()
{
    constexpr int NoticeWaitMs = 1000;
    formUpload_->run().Notices.WaitUntilSent(NoticeWaitMs);
}
