// Tav Outliner: program start.
#include "app/CommandLine.h"
#include "app/ErrorDisplay.h"
#include "app/TformMain.h"
#include "dialogs/ProgramPictures.h"
#include "dialogs/TformAbout.h"
#include "dialogs/TformFolderDialog.h"
#include "dialogs/TformNewPage.h"
#include "dialogs/TformPageProperty.h"
#include "dialogs/TformPreferences.h"
#include "dialogs/TformSplash.h"
#include "dialogs/TformUpload.h"
#include "editor/TformSourceEditor.h"
#include "settings/Settings.h"
#include "settings/SettingsStore.h"

#include <QApplication>
#include <exception>
#include <memory>

namespace {

int Run(QApplication& app)
{
    auto splash = std::make_unique<TformSplash>();
    splash->ShowNow();

    QApplication::setApplicationName(QStringLiteral("Tav Outliner"));
    QApplication::setWindowIcon(ProgramIcon());
    Settings settings;
    settings.ProgramFolder = ProgramFolder();
    Page page;
    QSettingsStore store;
    QSettingsStore recentFiles(QStringLiteral("VuzOdiRo"), QStringLiteral("OFH"));
    TformMain window(page, settings);
    window.setStores(&store, &recentFiles);
    // Every other window once, in this order; they live until the program ends.
    AppWindows windows;
    TformNewPage formNewPage(page, settings, &window);
    windows.formNewPage = &formNewPage;
    TformFolderDialog formFolderDialog(&window);
    windows.formFolderDialog = &formFolderDialog;
    formNewPage.setFolderDialog(&formFolderDialog);
    TformPreferences formPreferences(settings, store, &window);
    windows.formPreferences = &formPreferences;
    TformSourceEditor formSourceEditor(settings, &window);
    windows.formSourceEditor = &formSourceEditor;
    TformAbout formAbout(&window);
    windows.formAbout = &formAbout;
    TformUpload formUpload(store, &window);
    QObject::connect(&formUpload, &TformUpload::errorRaised, &formUpload,
                     [&formUpload](const QString& text) { ShowError(&formUpload, text); });
    windows.formUpload = &formUpload;
    TformPageProperty formPageProperty(page, settings, store, &window);
    windows.formPageProperty = &formPageProperty;
    window.setWindows(windows);
    splash.reset();

    window.setCommandLineFile(CommandLineFile(app.arguments().mid(1)));
    settings.StartFolder = CurrentFolder();
    window.show();
    return app.exec();
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    try {
        Run(app);
    } catch (const std::exception& e) {
        ShowError(nullptr, QString::fromLocal8Bit(e.what()));
    }
    return 0;
}
