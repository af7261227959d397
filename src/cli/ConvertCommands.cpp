// tavpub convert / guess / newline / base64 / mime-header: the character-code
// unit on files or standard input. Output bytes go to standard output as the
// routines return them; convert, newline and base64 stream, as filters do.
#include "cli/BlockFilter.h"
#include "cli/CliSupport.h"
#include "cli/Commands.h"
#include "publish/Jconvert.h"
#include "publish/JconvertStream.h"

#include <QMap>
#include <initializer_list>
#include <string_view>
#include <utility>

namespace {

// Options "--name VALUE" or "--name=VALUE" from an allowed set, and at most
// one FILE (standard input when absent or "-").
struct ParsedArgs {
    QMap<QString, QString> options;
    QString file;
};

ParsedArgs ParseArgs(const QString& command, const QStringList& args, std::initializer_list<const char*> allowed)
{
    ParsedArgs parsed;
    bool haveFile = false;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& arg = args[i];
        if (!arg.startsWith(QLatin1String("--"))) {
            if (haveFile)
                throw UsageError(QStringLiteral("%1 takes at most one file").arg(command));
            parsed.file = arg;
            haveFile = true;
            continue;
        }
        QString name = arg.mid(2);
        QString value;
        const qsizetype equals = name.indexOf(QLatin1Char('='));
        if (equals >= 0) {
            value = name.mid(equals + 1);
            name.truncate(equals);
        } else if (i + 1 < args.size()) {
            value = args[++i];
        } else {
            throw UsageError(QStringLiteral("%1: %2 needs a value").arg(command, arg));
        }
        bool known = false;
        for (const char* option : allowed)
            known = known || name == QLatin1String(option);
        if (!known)
            throw UsageError(QStringLiteral("%1: unknown option --%2").arg(command, name));
        parsed.options.insert(name, value);
    }
    return parsed;
}

// The value of option `name` looked up in `choices`; `fallback` when the
// option is absent and not required.
int Choice(const QString& command, const ParsedArgs& parsed, const char* name,
           std::initializer_list<std::pair<const char*, int>> choices, bool required, int fallback = -1)
{
    const auto found = parsed.options.constFind(QLatin1String(name));
    if (found == parsed.options.constEnd()) {
        if (required)
            throw UsageError(QStringLiteral("%1 needs --%2").arg(command, QLatin1String(name)));
        return fallback;
    }
    QStringList names;
    for (const auto& [choiceName, value] : choices) {
        if (*found == QLatin1String(choiceName))
            return value;
        names << QLatin1String(choiceName);
    }
    throw UsageError(QStringLiteral("%1: --%2 must be one of %3, not \"%4\"")
                         .arg(command, QLatin1String(name), names.join(QLatin1Char('|')), *found));
}

const std::initializer_list<std::pair<const char*, int>> CodeChoices = {
    {"jis", CODE_JIS83}, {"euc", CODE_EUC}, {"sjis", CODE_SJIS}};
const std::initializer_list<std::pair<const char*, int>> LineBreakChoices = {
    {"crlf", RC_CRLF}, {"cr", RC_CR}, {"lf", RC_LF}};

std::string_view View(const QByteArray& bytes)
{
    return std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

void WriteBytes(const std::string& bytes)
{
    WriteOutput(QByteArray::fromRawData(bytes.data(), static_cast<qsizetype>(bytes.size())));
}

const char* CodeName(int code)
{
    switch (code) {
    case CODE_ASCII: return "CODE_ASCII";
    case CODE_BINARY: return "CODE_BINARY";
    case CODE_JIS83: return "CODE_JIS83";
    case CODE_JIS78: return "CODE_JIS78";
    case CODE_EUC: return "CODE_EUC";
    case CODE_SJIS: return "CODE_SJIS";
    case CODE_EUC_OR_SJIS: return "CODE_EUC_OR_SJIS";
    }
    return "?";
}

} // namespace

int ConvertCommand(const QStringList& args, SettingsStore&)
{
    const QString command = QStringLiteral("convert");
    const ParsedArgs parsed = ParseArgs(command, args, {"to", "from"});
    const int target = Choice(command, parsed, "to", CodeChoices, true);
    const int input = Choice(command, parsed, "from", CodeChoices, false);
    JconvertStream stream = input < 0 ? JconvertStream::DetectedCode(target) : JconvertStream::Code(input, target);
    RunFilter(parsed.file, stream);
    return ExitOk;
}

int GuessCommand(const QStringList& args, SettingsStore&)
{
    const ParsedArgs parsed = ParseArgs(QStringLiteral("guess"), args, {});
    const QByteArray text = ReadInput(parsed.file);
    WriteOutput(QByteArray(CodeName(InCodeCheck(View(text)))) + '\n');
    return ExitOk;
}

int NewlineCommand(const QStringList& args, SettingsStore&)
{
    const QString command = QStringLiteral("newline");
    const ParsedArgs parsed = ParseArgs(command, args, {"to", "from"});
    const int target = Choice(command, parsed, "to", LineBreakChoices, true);
    const int input = Choice(command, parsed, "from", LineBreakChoices, false);
    JconvertStream stream =
        input < 0 ? JconvertStream::DetectedLineBreaks(target) : JconvertStream::LineBreaks(input, target);
    RunFilter(parsed.file, stream);
    return ExitOk;
}

int Base64Command(const QStringList& args, SettingsStore&)
{
    const ParsedArgs parsed = ParseArgs(QStringLiteral("base64"), args, {});
    JconvertStream stream = JconvertStream::Base64();
    RunFilter(parsed.file, stream);
    return ExitOk;
}

int MimeHeaderCommand(const QStringList& args, SettingsStore&)
{
    const ParsedArgs parsed = ParseArgs(QStringLiteral("mime-header"), args, {});
    WriteBytes(CreateHeaderString(View(ReadInput(parsed.file))));
    return ExitOk;
}
