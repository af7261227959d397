#include "cli/CommandList.h"

#include <algorithm>
#include <iterator>

namespace {

constexpr CommandEntry Commands[] = {
    {"publish", "publish [--stdout] PAGE.data...  write each page's HTML file and update the upload queue",
     CommandKind::Qt},
    {"upload", "upload [--timeout SECONDS] [--trust-fingerprint SHA256]\n"
               "                                    send the upload queue as the upload window does; progress on stderr;\n"
               "                                    SHA256 (AB:CD:...) names a TLS certificate to trust although it fails verification,\n"
               "                                    or (SHA256:...) an SSH host key to add to known_hosts",
     CommandKind::Qt},
    {"show", "show PAGE.data                    the page as JSON on standard output", CommandKind::Qt},
    {"import", "import PAGE.json PAGE.data        write a version 1.4 page file from JSON", CommandKind::Qt},
    {"convert", "convert --to jis|euc|sjis [--from jis|euc|sjis] [FILE]   convert the Japanese character code",
     CommandKind::Filter},
    {"guess", "guess [FILE]                      the detected character code, e.g. CODE_SJIS", CommandKind::Filter},
    {"newline", "newline --to crlf|cr|lf [--from crlf|cr|lf] [FILE]       convert line breaks", CommandKind::Filter},
    {"base64", "base64 [FILE]                     Base64 without line breaks", CommandKind::Filter},
    {"mime-header", "mime-header [FILE]                Shift_JIS header text with MIME encoded words",
     CommandKind::Filter},
};

} // namespace

const CommandEntry* FindCommand(std::string_view name)
{
    const auto found = std::find_if(std::begin(Commands), std::end(Commands),
                                    [name](const CommandEntry& c) { return name == c.name; });
    return found == std::end(Commands) ? nullptr : found;
}

void PrintUsage(std::FILE* to)
{
    std::fprintf(to, "usage: tavpub COMMAND [ARGS]\n");
    for (const CommandEntry& command : Commands)
        std::fprintf(to, "  tavpub %s\n", command.usage);
}
