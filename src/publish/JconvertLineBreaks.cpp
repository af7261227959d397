// Line-break detection and conversion.
#include "publish/Jconvert.h"

#include <cstring>

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

// Occurrences are found left to right without overlap, and the scan goes on
// after each one, so a replacement is never scanned again. An input kind
// with no sequence (RC_NONE or an unknown value) leaves the text as it is.
std::string StrictConvertReturnCode(std::string_view text, int inputKind, int targetKind)
{
    const std::string_view from = BreakSequence(inputKind);
    if (from.empty() || inputKind == targetKind)
        return std::string(text);
    const std::string_view to = BreakSequence(targetKind);

    std::size_t count = 0;
    for (std::size_t at = text.find(from); at != std::string_view::npos; at = text.find(from, at + from.size()))
        ++count;
    std::string out;
    out.reserve(text.size() - count * from.size() + count * to.size());
    std::size_t done = 0;
    for (std::size_t at = text.find(from); at != std::string_view::npos; at = text.find(from, done)) {
        out.append(text.substr(done, at - done));
        out.append(to);
        done = at + from.size();
    }
    out.append(text.substr(done));
    return out;
}
