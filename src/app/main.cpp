#include "app/OutlineModel.h"
#include "app/Settings.h"
#include "app/SettingsStore.h"
#include "app/TformMain.h"
#include "document/PageFile.h"
#include "document/ProgramConstants.h"
#include "document/TextCodec.h"

#include <QApplication>
#include <QMessageBox>
#include <QScreen>

namespace {

// Opens the main window on the page named on the command line, or on an
// empty untitled page, and runs the program.
int RunMainWindow(QApplication& app)
{
    Settings settings;
    settings.StartFolder = CurrentFolder();
    settings.ProgramFolder = ProgramFolder();
    Page page;
    QSettingsStore store;
    LoadBrowserTitle(store, settings);
    const QRect screen = app.primaryScreen()->availableGeometry();
    LoadSettings(store, settings, page, screen.width(), screen.height());

    TformMain window(page, settings);
    window.setSettingsStore(&store);
    window.ApplyWindowPosition();

    // The whole command line after the program's name is one path.
    QString file = app.arguments().mid(1).join(u' ');
    if (file.startsWith(u'"'))
        file = file.mid(1, file.size() - 2);
    if (!file.isEmpty()) {
        const std::optional<SjisString> path = TextCodec::FromUnicodeStrict(file);
        PageFileContext context{settings.StartFolder, settings.ProgramFolder, settings.DefaultEnableStyleSheet,
                                settings.DefaultEnableJavaScript, [&window] { window.StoreBoundNode(); }, {}};
        PageFileResult result;
        if (path) {
            PointPageAt(page, *path);
            result = ReadPageFile(page, context);
        }
        if (!path || !result.opened())
            QMessageBox::critical(nullptr, result.isUnknownFormat() ? UnknownFormatCaption() : QStringLiteral("失敗"),
                                  path ? result.message : QStringLiteral("%1 を開けません。").arg(file));
    } else {
        page.ResetPage(settings.newPageDefaults());
        page.Title = ProgramConstants::UntitledPageTitle();
        page.FileName = settings.ProgramFolder + "untitled.html";
        page.DatabasePath = settings.ProgramFolder;
    }
    window.show();
    window.ApplyViewSettings();
    window.ClearBinding();
    window.raise();
    window.activateWindow();
    return app.exec();
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tav Outliner"));
    return RunMainWindow(app);
}
