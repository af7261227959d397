// tavpub publish: what File > Save source only does, for pages on disk.
#include "cli/CliSupport.h"
#include "cli/Commands.h"
#include "document/TextCodec.h"
#include "page/SaveRoad.h"
#include "publish/HtmlGenerator.h"
#include "publish/HtmlWriter.h"
#include "settings/SettingsStore.h"

#include <QDateTime>

namespace {

// The local time, or SOURCE_DATE_EPOCH (seconds since the epoch, shown in
// local time) so that a page can be generated again byte for byte.
QDateTime PublishingTime()
{
    if (!qEnvironmentVariableIsSet("SOURCE_DATE_EPOCH"))
        return QDateTime::currentDateTime();
    const QString text = qEnvironmentVariable("SOURCE_DATE_EPOCH");
    bool ok = false;
    const qint64 seconds = text.toLongLong(&ok, 10);
    const QDateTime time = ok && seconds >= 0 ? QDateTime::fromSecsSinceEpoch(seconds) : QDateTime();
    if (!time.isValid() || time.date().year() > 9999)
        throw CliError(QStringLiteral("SOURCE_DATE_EPOCH must be a number of seconds since 1970, not \"%1\"").arg(text));
    return time;
}

struct PublishRequest {
    bool toStdout = false;
    QStringList pages;
};

PublishRequest ParseArguments(const QStringList& args)
{
    PublishRequest request;
    bool optionsEnded = false;
    for (const QString& arg : args) {
        if (!optionsEnded && arg == QLatin1String("--stdout"))
            request.toStdout = true;
        else if (!optionsEnded && arg == QLatin1String("--"))
            optionsEnded = true;
        else if (!optionsEnded && arg.startsWith(QLatin1Char('-')) && arg.size() > 1)
            throw UsageError(QStringLiteral("publish: unknown option \"%1\"").arg(arg));
        else
            request.pages.append(arg);
    }
    if (request.pages.isEmpty())
        throw UsageError(QStringLiteral("publish needs at least one page file"));
    return request;
}

// Reads, generates and either prints or writes and queues one page.
void PublishPage(const QString& pageArg, bool toStdout, SettingsStore& store, const Settings& settings,
                 const QDateTime& now)
{
    Page page;
    const PageFileResult read = OpenPageLikeFileOpen(page, pageArg, settings);
    // A damaged page is not published: its HTML would replace the complete
    // page on the web with what could be read.
    if (!read.ok())
        throw CliError(QStringLiteral("%1: %2").arg(pageArg, OneLine(read.message)));

    if (toStdout) {
        const SjisString html = GeneratePageHtml(page, settings.generatorOptions(), now);
        const std::string bytes = HtmlFileBytes(html, page.CharacterSet);
        WriteOutput(QByteArray(bytes.data(), qsizetype(bytes.size())));
        return;
    }
    // As File > Save source only: the HTML file and the queue.
    const SaveOutcome saved = SavePageFiles(page, settings, SaveRequest{false, &store, now});
    if (saved.failed == SaveOutcome::Failed::Queue)
        throw CliError(QStringLiteral("%1: the upload queue was not updated: %2").arg(pageArg, saved.message));
    if (!saved.ok())
        throw CliError(QStringLiteral("%1: %2").arg(pageArg, saved.message));
}

} // namespace

int PublishCommand(const QStringList& args, SettingsStore& store)
{
    const PublishRequest request = ParseArguments(args);
    const Settings settings = LoadCliSettings(store);
    const QDateTime now = PublishingTime();
    // Every page is tried; a failed one is reported and the others go on.
    int status = ExitOk;
    for (const QString& pageArg : request.pages) {
        try {
            PublishPage(pageArg, request.toStdout, store, settings, now);
        } catch (const CliError& e) {
            PrintError(QString::fromStdString(e.what()));
            status = ExitFailure;
        }
    }
    return status;
}
