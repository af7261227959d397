// The commands of tavpub that need Qt, in a module that tavpub loads only
// when one of them runs.
#include "cli/CliSupport.h"
#include "cli/CommandList.h"
#include "cli/Commands.h"
#include "settings/SettingsStore.h"

#include <QCoreApplication>
#include <algorithm>
#include <iterator>

namespace {

struct QtCommand {
    const char* name;
    CommandFunction run;
};

constexpr QtCommand Commands[] = {
    {"publish", PublishCommand}, {"upload", UploadCommand}, {"show", ShowCommand}, {"import", ImportCommand},
};

} // namespace

// argv as tavpub's main got it, with a command of the kind Qt in argv[1].
extern "C" __attribute__((visibility("default"))) int TavpubRunQtCommand(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    const QString name = args.takeFirst();
    const auto command = std::find_if(std::begin(Commands), std::end(Commands),
                                      [&name](const QtCommand& c) { return name == QLatin1String(c.name); });
    if (command == std::end(Commands)) {
        PrintError(QStringLiteral("unknown command \"%1\"").arg(name));
        PrintUsage(stderr);
        return ExitUsage;
    }
    try {
        QSettingsStore store;
        return command->run(args, store);
    } catch (const UsageError& e) {
        PrintError(QString::fromStdString(e.what()));
        PrintUsage(stderr);
        return ExitUsage;
    } catch (const CliError& e) {
        PrintError(QString::fromStdString(e.what()));
        return ExitFailure;
    }
}
