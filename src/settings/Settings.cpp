#include "settings/Settings.h"

#include "document/PagePaths.h"
#include "document/TextCodec.h"
#include "settings/SettingsStore.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace {

const QString Position = QStringLiteral("Position");
const QString Preferences = QStringLiteral("Preferences");
const QString Ftp = QStringLiteral("Ftp");
const QString Tool = QStringLiteral("Tool");
const QString IeLink = QStringLiteral("Tool\\IE-LINK");

// The stored values after Position, in the order they are read and written.
// The defaults are the member initializers of Settings.
template <typename Settings_, typename Visitor> void VisitStoredValues(Settings_& s, Visitor&& v)
{
    v(Preferences, "BootOnAction", s.BootOnAction);
    v(Preferences, "Author", s.Author);
    v(Preferences, "Email", s.Email);
    v(Preferences, "SupportUrl", s.SupportUrl);
    v(Preferences, "ExternalTool", s.ExternalTool);
    v(Preferences, "Generator", s.Generator);
    v(Preferences, "DefaultStyleSheetFileName", s.DefaultStyleSheetFileName);
    v(Preferences, "DefaultJavaScriptFileName", s.DefaultJavaScriptFileName);
    v(Preferences, "DefaultEnableStyleSheet", s.DefaultEnableStyleSheet);
    v(Preferences, "DefaultEnableJavaScript", s.DefaultEnableJavaScript);
    v(Preferences, "DefaultFooterAction", s.DefaultFooterAction);
    v(Preferences, "DefaultFooter", s.DefaultFooter);
    v(Preferences, "DefaultTagCase", s.DefaultTagCase);
    v(Preferences, "DefaultDirName", s.DefaultDirName);
    v(Preferences, "DefaultUpload", s.DefaultUpload);
    v(Preferences, "EditorFontName", s.EditorFontName);
    v(Preferences, "EditorTextBold", s.EditorTextBold);
    v(Preferences, "EditorTextItalic", s.EditorTextItalic);
    v(Preferences, "EditorTagSymbolBold", s.EditorTagSymbolBold);
    v(Preferences, "EditorTagSymbolItalic", s.EditorTagSymbolItalic);
    v(Preferences, "EditorTagDirectiveBold", s.EditorTagDirectiveBold);
    v(Preferences, "EditorTagDirectiveItalic", s.EditorTagDirectiveItalic);
    v(Preferences, "EditorTagParameterBold", s.EditorTagParameterBold);
    v(Preferences, "EditorTagParameterItalic", s.EditorTagParameterItalic);
    v(Preferences, "EditorAutoIndent", s.EditorAutoIndent);
    v(Preferences, "EditorSaveCurPos", s.EditorSaveCurPos);
    v(Preferences, "EditorFontSize", s.EditorFontSize);
    v(Preferences, "EditorBGColor", s.EditorBGColor);
    v(Preferences, "EditorTextColor", s.EditorTextColor);
    v(Preferences, "EditorTagSymbolColor", s.EditorTagSymbolColor);
    v(Preferences, "EditorTagDirectiveColor", s.EditorTagDirectiveColor);
    v(Preferences, "EditorTagParameterColor", s.EditorTagParameterColor);
    v(Ftp, "SettingNameText", s.SettingNameText);
    v(Tool, "TopMost", s.TopMost);
    v(Tool, "SeparateHorizontal", s.SeparateHorizontal);
    v(Tool, "Preview", s.Preview);
    v(IeLink, "onSave", s.onSave);
    v(IeLink, "SetFocusBack", s.SetFocusBack);
}

struct Reader {
    const SettingsStore& store;
    void operator()(const QString& section, const char* name, SjisString& value) const
    {
        value = store.readText(section, QLatin1String(name), value);
    }
    void operator()(const QString& section, const char* name, int& value) const
    {
        value = store.readInteger(section, QLatin1String(name), value);
    }
    void operator()(const QString& section, const char* name, bool& value) const
    {
        value = store.readBool(section, QLatin1String(name), value);
    }
};

struct Writer {
    SettingsStore& store;
    void operator()(const QString& section, const char* name, const SjisString& value) const
    {
        store.writeText(section, QLatin1String(name), value);
    }
    void operator()(const QString& section, const char* name, int value) const
    {
        store.writeInteger(section, QLatin1String(name), value);
    }
    void operator()(const QString& section, const char* name, bool value) const
    {
        store.writeBool(section, QLatin1String(name), value);
    }
};

SjisString FolderBytes(const QString& folder)
{
    return PagePaths::IncludeTrailingPathDelimiter(TextCodec::FromUnicodeWithReferences(QDir::toNativeSeparators(folder)));
}

} // namespace

SjisString Settings::DefaultEditorFontName()
{
    static const SjisString name = TextCodec::Sjis("ＭＳ ゴシック");
    return name;
}

NewPageDefaults Settings::newPageDefaults() const
{
    NewPageDefaults d;
    d.Upload = DefaultUpload;
    d.StyleSheetFileName = DefaultStyleSheetFileName;
    d.JavaScriptFileName = DefaultJavaScriptFileName;
    d.EnableStyleSheet = DefaultEnableStyleSheet;
    d.EnableJavaScript = DefaultEnableJavaScript;
    d.RemoteFolder = DefaultDirName;
    return d;
}

GeneratorOptions Settings::generatorOptions() const
{
    GeneratorOptions o;
    o.Author = Author;
    o.Email = Email;
    o.SupportUrl = SupportUrl;
    o.Generator = Generator;
    o.DefaultTagCase = DefaultTagCase;
    o.DefaultFooterAction = DefaultFooterAction;
    o.DefaultFooter = DefaultFooter;
    return o;
}

PageFileContext Settings::pageFileContext() const
{
    PageFileContext context;
    context.StartFolder = StartFolder;
    context.ProgramFolder = ProgramFolder;
    context.DefaultEnableStyleSheet = DefaultEnableStyleSheet;
    context.DefaultEnableJavaScript = DefaultEnableJavaScript;
    return context;
}

void LoadSettings(const SettingsStore& store, Settings& settings, PageProperties& page, int screenWidth,
                  int screenHeight)
{
    // Missing values take their defaults, not what the object held before.
    const Settings defaults;
    Settings loaded = defaults;
    loaded.StartFolder = settings.StartFolder;
    loaded.ProgramFolder = settings.ProgramFolder;
    loaded.BrowserWindowTitle = settings.BrowserWindowTitle;

    PositionSettings& p = loaded.Position;
    p.WindowState = store.readText(Position, QStringLiteral("WindowState"), p.WindowState);
    p.Width = store.readInteger(Position, QStringLiteral("Width"), p.Width);
    p.Height = store.readInteger(Position, QStringLiteral("Height"), p.Height);
    p.Left = store.readInteger(Position, QStringLiteral("Left"), (screenWidth - p.Width) / 2);
    p.Top = store.readInteger(Position, QStringLiteral("Top"), (screenHeight - p.Height) / 2);
    p.TreeViewHeight = store.readInteger(Position, QStringLiteral("TreeViewHeight"), p.TreeViewHeight);
    p.TreeViewWidth = store.readInteger(Position, QStringLiteral("TreeViewWidth"), p.TreeViewWidth);
    p.PreviewWidth = store.readInteger(Position, QStringLiteral("PreviewWidth"), p.PreviewWidth);

    VisitStoredValues(loaded, Reader{store});

    page.Title = store.readText(QString(), QStringLiteral("LastTitle"), ProgramConstants::UntitledPageTitle());
    page.FileName = store.readText(QString(), QStringLiteral("LastFileName"), loaded.ProgramFolder + "untitled.html");
    page.DatabasePath = store.readText(QString(), QStringLiteral("LastDatabasePath"), loaded.ProgramFolder);
    settings = std::move(loaded);
}

void SaveSettings(SettingsStore& store, const Settings& settings, const PageProperties& page, const WindowBounds& window)
{
    if (window.maximized) {
        store.writeText(Position, QStringLiteral("WindowState"), "wsMaximized");
    } else {
        store.writeInteger(Position, QStringLiteral("Width"), window.width);
        store.writeInteger(Position, QStringLiteral("Height"), window.height);
        store.writeInteger(Position, QStringLiteral("Left"), window.left);
        store.writeInteger(Position, QStringLiteral("Top"), window.top);
        store.writeText(Position, QStringLiteral("WindowState"), "wsNormal");
    }
    store.writeInteger(Position, QStringLiteral("TreeViewHeight"), settings.Position.TreeViewHeight);
    store.writeInteger(Position, QStringLiteral("TreeViewWidth"), settings.Position.TreeViewWidth);
    store.writeInteger(Position, QStringLiteral("PreviewWidth"), settings.Position.PreviewWidth);

    VisitStoredValues(settings, Writer{store});

    store.writeText(QString(), QStringLiteral("LastTitle"), page.Title);
    store.writeText(QString(), QStringLiteral("LastFileName"), page.FileName);
    store.writeText(QString(), QStringLiteral("LastDatabasePath"), page.DatabasePath);
}

std::optional<QString> SaveSettingNameText(SettingsStore& store, const Settings& settings)
{
    store.writeText(Ftp, QStringLiteral("SettingNameText"), settings.SettingNameText);
    return store.flush();
}

void LoadBrowserTitle(const SettingsStore& store, Settings& settings)
{
    settings.BrowserWindowTitle = store.readText(IeLink, QStringLiteral("BrowserWindowTitle"), "Chromium");
}

SjisString ProgramFolder()
{
    const QString exeFolder = QCoreApplication::applicationDirPath();
    QFileInfo info(exeFolder);
    // An installed program shares its folder with every other program (and
    // root may write there): its files go to the user's data folder.
    const bool installed = QFileInfo(exeFolder + QStringLiteral("/../share/tav-outliner")).isDir();
    if (!exeFolder.isEmpty() && info.isDir() && info.isWritable() && !installed)
        return FolderBytes(exeFolder);
    QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QStringLiteral("/Tav/QUIB");
    QDir().mkpath(data);
    return FolderBytes(data);
}

SjisString CurrentFolder()
{
    return FolderBytes(QDir::currentPath());
}

QString FindResource(const QString& fileName)
{
    const QString exeFolder = QCoreApplication::applicationDirPath();
    const QStringList candidates = {
        exeFolder + QLatin1Char('/') + fileName,
        exeFolder + QStringLiteral("/resources/") + fileName,
        exeFolder + QStringLiteral("/../share/tav-outliner/") + fileName,
    };
    for (const QString& path : candidates)
        if (QFileInfo::exists(path))
            return QFileInfo(path).absoluteFilePath();
    QString installed = QStandardPaths::locate(QStandardPaths::GenericDataLocation, QStringLiteral("tav-outliner/") + fileName);
#ifdef TAV_SOURCE_RESOURCES
    if (installed.isEmpty() && QFileInfo::exists(QStringLiteral(TAV_SOURCE_RESOURCES "/") + fileName))
        installed = QStringLiteral(TAV_SOURCE_RESOURCES "/") + fileName;
#endif
    return installed;
}
