#pragma once

#include "document/Page.h"
#include "document/PageFile.h"
#include "document/ProgramConstants.h"
#include "document/SjisString.h"
#include "publish/HtmlGenerator.h"

#include <QString>
#include <optional>

class SettingsStore;

// The main window's stored geometry (section Position).
struct PositionSettings {
    SjisString WindowState = "wsNormal"; // anything else opens the window maximized
    int Width = 638;
    int Height = 600;
    int Left = 0; // default: centred on the screen
    int Top = 0;
    int TreeViewHeight = 200; // tree pane when tree and editor are stacked
    int TreeViewWidth = 200;  // tree pane when they are side by side
    int PreviewWidth = 400;   // the preview pane beside the editor

    bool maximized() const { return WindowState != "wsNormal"; }
};

// Every value the program keeps between runs, with its default, named as it
// is stored. Colours are 0x00BBGGRR.
struct Settings {
    PositionSettings Position;

    // Preferences
    int BootOnAction = 2; // 0 last page, 1 new page dialog, 2 untitled page
    SjisString Author = SjisString(ProgramConstants::VersionString) + " User";
    SjisString Email;
    SjisString SupportUrl;
    SjisString ExternalTool = "Notepad.exe";
    bool Generator = true;
    SjisString DefaultStyleSheetFileName = "untitled.css";
    SjisString DefaultJavaScriptFileName;
    bool DefaultEnableStyleSheet = true;
    bool DefaultEnableJavaScript = false;
    int DefaultFooterAction = 0; // 0 category and mail, 1 with URL, 2 DefaultFooter
    SjisString DefaultFooter;
    int DefaultTagCase = 0; // 0 first letter upper case, 1 all lower case
    SjisString DefaultDirName = "public_html";
    bool DefaultUpload = false;
    SjisString EditorFontName = DefaultEditorFontName();
    bool EditorTextBold = false;
    bool EditorTextItalic = false;
    bool EditorTagSymbolBold = false;
    bool EditorTagSymbolItalic = false;
    bool EditorTagDirectiveBold = true;
    bool EditorTagDirectiveItalic = false;
    bool EditorTagParameterBold = false;
    bool EditorTagParameterItalic = false;
    bool EditorAutoIndent = false;
    bool EditorSaveCurPos = true;
    int EditorFontSize = 12;
    int EditorBGColor = 0xFFFFFF;
    int EditorTextColor = 0x000000;
    int EditorTagSymbolColor = 0x800000;
    int EditorTagDirectiveColor = 0xFF0000;
    int EditorTagParameterColor = 0x000080;

    // Ftp: the FTP setting names, one per line, each ended by CR LF
    SjisString SettingNameText = ProgramConstants::DefaultFtpSettingName();

    // Tool
    bool TopMost = false;
    bool SeparateHorizontal = false;
    bool Preview = false; // the preview pane is shown
    // Tool\IE-LINK
    bool onSave = true;
    bool SetFocusBack = true;

    // Run-time values, never stored.
    SjisString StartFolder;        // current folder at start-up, trailing separator
    SjisString ProgramFolder;      // trailing separator
    SjisString BrowserWindowTitle; // what browsers append to a page's title

    NewPageDefaults newPageDefaults() const;
    // The folders and defaults the page file reader and writer need; the
    // hooks are left for the caller.
    PageFileContext pageFileContext() const;
    GeneratorOptions generatorOptions() const;

    static SjisString DefaultEditorFontName();
};

// Where the main window is when the settings are saved.
struct WindowBounds {
    bool maximized = false;
    int left = 0;
    int top = 0;
    int width = 638;
    int height = 600;
};

// Reads every value (Position, Preferences, Ftp, Tool, Tool\IE-LINK, then the
// last page's names, which go into the page). `screenWidth` and
// `screenHeight` centre the window on the first run.
void LoadSettings(const SettingsStore& store, Settings& settings, PageProperties& page, int screenWidth,
                  int screenHeight);

// Writes every value in the same order. While maximized only WindowState is
// written for the window, so the normal size of the previous run stays.
void SaveSettings(SettingsStore& store, const Settings& settings, const PageProperties& page,
                  const WindowBounds& window);

// Writes the FTP setting names alone (Ftp\SettingNameText) and commits
// them, for the commands that change the list while the program runs; the
// platform's error when the store could not be written.
std::optional<QString> SaveSettingNameText(SettingsStore& store, const Settings& settings);

// The title browsers put after a page's title (" - " between), read from the
// store's Tool\IE-LINK\BrowserWindowTitle; "Chromium" when not set.
void LoadBrowserTitle(const SettingsStore& store, Settings& settings);

// The folder the program keeps its own files in: the executable's folder
// when it is writable (a portable install), else the per-user data folder;
// with a trailing separator.
SjisString ProgramFolder();
// The current folder, with a trailing separator.
SjisString CurrentFolder();
// Where the manual and the sample page are found: next to the executable or
// in the installed data folder.
QString FindResource(const QString& fileName);
