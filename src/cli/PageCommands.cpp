// tavpub show / import: pages as JSON.
#include "cli/CliSupport.h"
#include "cli/Commands.h"
#include "cli/PageJson.h"
#include "document/PageFile.h"

#include <QJsonDocument>

int ShowCommand(const QStringList& args, SettingsStore& store)
{
    if (args.size() != 1)
        throw UsageError(QStringLiteral("show needs one page file"));
    const Settings settings = LoadCliSettings(store);
    Page page;
    PageFileResult result = OpenPageLikeFileOpen(page, args[0], settings);
    if (!result.opened())
        throw CliError(QStringLiteral("%1: %2").arg(args[0], result.message));
    // A damaged page is shown as far as it could be read, and still fails.
    WriteOutput(QJsonDocument(PageToJson(page)).toJson(QJsonDocument::Indented));
    if (!result.ok()) {
        PrintError(QStringLiteral("%1: %2").arg(args[0], result.message));
        return ExitFailure;
    }
    return ExitOk;
}

int ImportCommand(const QStringList& args, SettingsStore&)
{
    if (args.size() != 2)
        throw UsageError(QStringLiteral("import needs a JSON file and a page file"));
    QJsonParseError parseError;
    QJsonDocument document = QJsonDocument::fromJson(ReadInput(args[0]), &parseError);
    if (!document.isObject())
        throw CliError(QStringLiteral("%1: not a page in JSON (%2)").arg(args[0], parseError.errorString()));
    Page page;
    if (QString error = PageFromJson(document.object(), page); !error.isEmpty())
        throw CliError(QStringLiteral("%1: %2").arg(args[0], error));
    PageFileResult result = WritePageFileTo(page, ModelPath(args[1]));
    if (!result.ok())
        throw CliError(result.message);
    return ExitOk;
}
