// tavpub: the headless companion of Tav Outliner for batch work and scripts.
#include "cli/CliSupport.h"
#include "cli/Commands.h"
#include "settings/SettingsStore.h"

#include <QCoreApplication>
#include <cstdio>
#include <iterator>

namespace {

const Command Commands[] = {
    {"publish", "publish [--stdout] PAGE.data...  write each page's HTML file and update the upload queue", PublishCommand},
    {"upload", "upload [--timeout SECONDS] [--trust-fingerprint SHA256]\n"
               "                                    send the upload queue as the upload window does; progress on stderr;\n"
               "                                    SHA256 (AB:CD:...) names a TLS certificate to trust although it fails verification",
     UploadCommand},
    {"show", "show PAGE.data                    the page as JSON on standard output", ShowCommand},
    {"import", "import PAGE.json PAGE.data        write a version 1.4 page file from JSON", ImportCommand},
    {"convert", "convert --to jis|euc|sjis [--from jis|euc|sjis] [FILE]   convert the Japanese character code", ConvertCommand},
    {"guess", "guess [FILE]                      the detected character code, e.g. CODE_SJIS", GuessCommand},
    {"newline", "newline --to crlf|cr|lf [--from crlf|cr|lf] [FILE]       convert line breaks", NewlineCommand},
    {"base64", "base64 [FILE]                     Base64 without line breaks", Base64Command},
    {"mime-header", "mime-header [FILE]                Shift_JIS header text with MIME encoded words", MimeHeaderCommand},
};

void PrintUsage(std::FILE* to)
{
    std::fprintf(to, "usage: tavpub COMMAND [ARGS]\n");
    for (const Command& command : Commands)
        std::fprintf(to, "  tavpub %s\n", command.usage);
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    if (args.isEmpty() || args[0] == QLatin1String("--help") || args[0] == QLatin1String("-h")) {
        PrintUsage(args.isEmpty() ? stderr : stdout);
        return args.isEmpty() ? ExitUsage : ExitOk;
    }
    const QString name = args.takeFirst();
    auto command = std::find_if(std::begin(Commands), std::end(Commands),
                                [&name](const Command& c) { return name == QLatin1String(c.name); });
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
