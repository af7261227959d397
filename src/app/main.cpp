// Tav Outliner: program start.
#include "app/CommandLine.h"
#include "app/ErrorDisplay.h"
#include "app/TformMain.h"
#include "dialogs/TformPageProperty.h"
#include "dialogs/TformPreferences.h"
#include "editor/TformSourceEditor.h"
#include "settings/Settings.h"
#include "settings/SettingsStore.h"

#include <QApplication>
#include <QPainter>
#include <QSplashScreen>
#include <exception>

namespace {

// Shown while the windows are made (a plain card until the splash window
// has its own design).
QPixmap SplashPicture()
{
    QPixmap picture(360, 160);
    picture.fill(QColor(36, 68, 110));
    QPainter p(&picture);
    p.setPen(Qt::white);
    QFont font = p.font();
    font.setPointSize(20);
    font.setBold(true);
    p.setFont(font);
    p.drawText(picture.rect(), Qt::AlignCenter, QStringLiteral("Tav Outliner 1.8"));
    return picture;
}

int Run(QApplication& app)
{
    QSplashScreen splash(SplashPicture());
    splash.show();
    app.processEvents();

    QApplication::setApplicationName(QStringLiteral("Tav Outliner"));
    Settings settings;
    settings.ProgramFolder = ProgramFolder();
    Page page;
    QSettingsStore store;
    QSettingsStore recentFiles(QStringLiteral("VuzOdiRo"), QStringLiteral("OFH"));
    TformMain window(page, settings);
    window.setStores(&store, &recentFiles);
    // Every other window once, in this order; they live until the program ends.
    AppWindows windows;
    TformPreferences formPreferences(settings, store, &window);
    windows.formPreferences = &formPreferences;
    TformSourceEditor formSourceEditor(settings, &window);
    windows.formSourceEditor = &formSourceEditor;
    TformPageProperty formPageProperty(page, settings, store, &window);
    windows.formPageProperty = &formPageProperty;
    window.setWindows(windows);
    splash.close();

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
