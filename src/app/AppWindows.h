#pragma once

class TformAbout;
class TformFolderDialog;
class TformNewPage;
class TformPageProperty;
class TformPreferences;
class TformSourceEditor;
class TformUpload;

// The windows start-up creates once, after the main window and in this
// order, and which live until the program ends. The main window opens them
// from its menus; a window that is not there leaves its menu item disabled.
struct AppWindows {
    TformNewPage* formNewPage = nullptr;
    TformFolderDialog* formFolderDialog = nullptr;
    TformPreferences* formPreferences = nullptr;
    TformSourceEditor* formSourceEditor = nullptr;
    TformAbout* formAbout = nullptr;
    TformUpload* formUpload = nullptr;
    TformPageProperty* formPageProperty = nullptr;
};
