// Tav Outliner: program start.
#include "app/CommandLine.h"
#include "app/ErrorDisplay.h"
#include "app/ProgramWindows.h"
#include "app/QtTranslations.h"
#include "app/TformMain.h"
#include "dialogs/ProgramPictures.h"
#include "dialogs/TformSplash.h"
#include "page/PageDocument.h"
#include "page/RecoveryStore.h"
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
    // The open page, from start-up to exit; the windows are its views.
    PageDocument document;
    Page& page = document.page();
    QSettingsStore store;
    QSettingsStore recentFiles(QStringLiteral("VuzOdiRo"), QStringLiteral("OFH"));
    // Outlives the window, so that a copy asked for at the end is written.
    RecoveryStore recovery;
    TformMain window(document, settings);
    window.setStores(&store, &recentFiles);
    window.setRecoveryStore(&recovery);
    // Every other window once; they live until the program ends.
    ProgramWindows windows(window, page, settings, store);
    window.setWindows(windows.windows());
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
    UseJapaneseInQt();
    try {
        Run(app);
    } catch (const std::exception& e) {
        ShowError(nullptr, QString::fromLocal8Bit(e.what()));
    }
    return 0;
}
