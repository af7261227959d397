#pragma once

#include "app/AppWindows.h"

#include <memory>

class Page;
class SettingsStore;
class TformMain;
struct Settings;

// Every window start-up makes after the main window, made once in the
// order the program needs them (new page, folder chooser, preferences,
// source editor, About box, upload window, page properties) and living as
// long as this object. The main window opens them through windows().
class ProgramWindows {
public:
    ProgramWindows(TformMain& main, Page& page, Settings& settings, SettingsStore& store);
    ~ProgramWindows();
    ProgramWindows(const ProgramWindows&) = delete;
    ProgramWindows& operator=(const ProgramWindows&) = delete;

    const AppWindows& windows() const { return windows_; }

private:
    std::unique_ptr<TformNewPage> formNewPage_;
    std::unique_ptr<TformFolderDialog> formFolderDialog_;
    std::unique_ptr<TformPreferences> formPreferences_;
    std::unique_ptr<TformSourceEditor> formSourceEditor_;
    std::unique_ptr<TformAbout> formAbout_;
    std::unique_ptr<TformUpload> formUpload_;
    std::unique_ptr<TformPageProperty> formPageProperty_;
    AppWindows windows_;
};
