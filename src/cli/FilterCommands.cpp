// tavpub convert / guess / newline / base64 / mime-header: the character-code
// unit on files or standard input. Output bytes go to standard output as the
// routines return them; convert, newline and base64 stream, as filters do.
// Nothing here uses Qt, so that these commands start at once.
#include "cli/FilterCommands.h"

#include "cli/BlockFilter.h"
#include "cli/CliErrors.h"
#include "publish/Jconvert.h"
#include "publish/JconvertStream.h"

#include <initializer_list>
#include <map>
#include <string_view>
#include <utility>

namespace {

// Options "--name VALUE" or "--name=VALUE" from an allowed set, and at most
// one FILE (standard input when absent or "-").
struct ParsedArgs {
    std::map<std::string, std::string> options;
    std::string file;
};

ParsedArgs ParseArgs(const std::string& command, const FilterArgs& args, std::initializer_list<const char*> allowed)
{
    ParsedArgs parsed;
    bool haveFile = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (!arg.starts_with("--")) {
            if (haveFile)
                throw UsageError(command + " takes at most one file");
            parsed.file = arg;
            haveFile = true;
            continue;
        }
        std::string name = arg.substr(2);
        std::string value;
        if (const std::size_t equals = name.find('='); equals != std::string::npos) {
            value = name.substr(equals + 1);
            name.resize(equals);
        } else if (i + 1 < args.size()) {
            value = args[++i];
        } else {
            throw UsageError(command + ": " + arg + " needs a value");
        }
        bool known = false;
        for (const char* option : allowed)
            known = known || name == option;
        if (!known)
            throw UsageError(command + ": unknown option --" + name);
        parsed.options[name] = value;
    }
    return parsed;
}

// The value of option `name` looked up in `choices`; `fallback` when the
// option is absent and not required.
int Choice(const std::string& command, const ParsedArgs& parsed, const char* name,
           std::initializer_list<std::pair<const char*, int>> choices, bool required, int fallback = -1)
{
    const auto found = parsed.options.find(name);
    if (found == parsed.options.end()) {
        if (required)
            throw UsageError(command + " needs --" + name);
        return fallback;
    }
    std::string names;
    for (const auto& [choiceName, value] : choices) {
        if (found->second == choiceName)
            return value;
        if (!names.empty())
            names += '|';
        names += choiceName;
    }
    throw UsageError(command + ": --" + name + " must be one of " + names + ", not \"" + found->second + "\"");
}

const std::initializer_list<std::pair<const char*, int>> CodeChoices = {
    {"jis", CODE_JIS83}, {"euc", CODE_EUC}, {"sjis", CODE_SJIS}};
const std::initializer_list<std::pair<const char*, int>> LineBreakChoices = {
    {"crlf", RC_CRLF}, {"cr", RC_CR}, {"lf", RC_LF}};

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

int ConvertCommand(const FilterArgs& args)
{
    const std::string command = "convert";
    const ParsedArgs parsed = ParseArgs(command, args, {"to", "from"});
    const int target = Choice(command, parsed, "to", CodeChoices, true);
    const int input = Choice(command, parsed, "from", CodeChoices, false);
    JconvertStream stream = input < 0 ? JconvertStream::DetectedCode(target) : JconvertStream::Code(input, target);
    RunFilter(parsed.file, stream);
    return ExitOk;
}

int GuessCommand(const FilterArgs& args)
{
    const ParsedArgs parsed = ParseArgs("guess", args, {});
    WriteAll(std::string(CodeName(InCodeCheck(ReadWholeInput(parsed.file)))) + '\n');
    return ExitOk;
}

int NewlineCommand(const FilterArgs& args)
{
    const std::string command = "newline";
    const ParsedArgs parsed = ParseArgs(command, args, {"to", "from"});
    const int target = Choice(command, parsed, "to", LineBreakChoices, true);
    const int input = Choice(command, parsed, "from", LineBreakChoices, false);
    JconvertStream stream =
        input < 0 ? JconvertStream::DetectedLineBreaks(target) : JconvertStream::LineBreaks(input, target);
    RunFilter(parsed.file, stream);
    return ExitOk;
}

int Base64Command(const FilterArgs& args)
{
    const ParsedArgs parsed = ParseArgs("base64", args, {});
    JconvertStream stream = JconvertStream::Base64();
    RunFilter(parsed.file, stream);
    return ExitOk;
}

int MimeHeaderCommand(const FilterArgs& args)
{
    const ParsedArgs parsed = ParseArgs("mime-header", args, {});
    WriteAll(CreateHeaderString(ReadWholeInput(parsed.file)));
    return ExitOk;
}
