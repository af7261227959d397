// Line-break detection and conversion.
#include "publish/Jconvert.h"

namespace {

// The byte sequence of a line-break kind; empty for any other value.
std::string_view BreakSequence(int kind)
{
    switch (kind) {
    case RC_CRLF: return "\r\n";
    case RC_CR: return "\r";
    case RC_LF: return "\n";
    default: return {};
    }
}

} // namespace

// Only the first CR or LF counts.
int ReturnCodeCheck(std::string_view text)
{
    const std::size_t at = text.find_first_of("\r\n");
    if (at == std::string_view::npos)
        return RC_NONE;
    if (text[at] == '\n')
        return RC_LF;
    return at + 1 < text.size() && text[at + 1] == '\n' ? RC_CRLF : RC_CR;
}

std::string ConvertReturnCode(std::string_view text, int targetKind)
{
    return StrictConvertReturnCode(text, ReturnCodeCheck(text), targetKind);
}

// A CR LF is one line break, never a CR break or an LF break: with the
// input kind CR or LF, the CR LF breaks of the text stay as they are, like
// the breaks of any other kind. An input kind with no sequence (RC_NONE or
// an unknown value) leaves the text as it is.
std::string StrictConvertReturnCode(std::string_view text, int inputKind, int targetKind)
{
    const std::string_view from = BreakSequence(inputKind);
    if (from.empty() || inputKind == targetKind)
        return std::string(text);
    const std::string_view to = BreakSequence(targetKind);

    // Calls onBreak(position, length) for each break of the input kind.
    auto forEachBreak = [text, inputKind](auto onBreak) {
        for (std::size_t at = text.find_first_of("\r\n"); at != std::string_view::npos;) {
            const bool crlf = text[at] == '\r' && at + 1 < text.size() && text[at + 1] == '\n';
            const int kind = crlf ? RC_CRLF : text[at] == '\r' ? RC_CR : RC_LF;
            const std::size_t length = crlf ? 2 : 1;
            if (kind == inputKind)
                onBreak(at, length);
            at = text.find_first_of("\r\n", at + length);
        }
    };
    std::size_t count = 0;
    forEachBreak([&count](std::size_t, std::size_t) { ++count; });
    std::string out;
    out.reserve(text.size() - count * from.size() + count * to.size());
    std::size_t done = 0;
    forEachBreak([&](std::size_t at, std::size_t length) {
        out.append(text.substr(done, at - done));
        out.append(to);
        done = at + length;
    });
    out.append(text.substr(done));
    return out;
}
