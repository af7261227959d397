// Line-break detection and conversion.
#include "publish/Jconvert.h"
#include "publish/JconvertBlocks.h"

#include <algorithm>
#include <cstring>

using namespace jconvert;

namespace {

// The byte sequence of a line-break kind; empty for any other value.
std::string_view BreakSequence(int kind)
{
    switch (kind) {
    case RC_CRLF: return "\r\n";
    case RC_CR: return "\r";
    case RC_LF: return "\n";
    default: return "";
    }
}

// The first CR or LF in [i, end), or `end`; skips words without either.
std::size_t FindBreak(const Input& in, std::size_t i, std::size_t end)
{
    constexpr std::uint64_t ones = 0x0101010101010101ull;
    constexpr std::uint64_t high = 0x8080808080808080ull;
    auto hasZeroByte = [](std::uint64_t v) { return ((v - ones) & ~v & high) != 0; };
    for (; i + 8 <= end; i += 8) {
        std::uint64_t word;
        std::memcpy(&word, in.bytes + i, 8);
        if (hasZeroByte(word ^ (ones * '\r')) || hasZeroByte(word ^ (ones * '\n')))
            break;
    }
    while (i < end && in.bytes[i] != '\r' && in.bytes[i] != '\n')
        ++i;
    return i;
}

// A CR LF is one line break, never a CR break or an LF break: with the
// input kind CR or LF, the CR LF breaks of the text stay as they are, like
// the breaks of any other kind. A CR needs the byte after it to tell.
std::size_t ReplaceBreaks(const Input& in, std::size_t stepEnd, BlockState& state, char*& out)
{
    const std::string_view to = BreakSequence(state.toKind);
    std::size_t i = 0;
    while (i < stepEnd) {
        const std::size_t at = FindBreak(in, i, stepEnd);
        std::memcpy(out, in.bytes + i, at - i);
        out += at - i;
        if (at == stepEnd)
            return at;
        const bool crlf = in.bytes[at] == '\r' && in.at(at + 1) == '\n';
        const int kind = crlf ? RC_CRLF : in.bytes[at] == '\r' ? RC_CR : RC_LF;
        const std::size_t length = crlf ? 2 : 1;
        if (kind == state.fromKind) {
            std::memcpy(out, to.data(), to.size());
            out += to.size();
        } else {
            std::memcpy(out, in.bytes + at, length);
            out += length;
        }
        i = at + length;
    }
    return i;
}

void NoEnd(const Input&, BlockState&, char*&) {}

// Only a one-byte break replaced by CR LF grows.
std::size_t ReplaceBreaksBound(const Input& in, const BlockState& state)
{
    const std::string_view from = BreakSequence(state.fromKind);
    if (from.size() != 1 || BreakSequence(state.toKind).size() < 2)
        return in.size;
    return in.size + std::size_t(std::count(in.bytes, in.bytes + in.size, Byte(from[0])));
}

} // namespace

namespace jconvert {

const BlockConverter LineBreakBlocks = {ReplaceBreaks, NoEnd, 1, 2, ReplaceBreaksBound};

// An input kind with no sequence (RC_NONE or an unknown value) leaves the
// text as it is; a target with none removes the breaks.
const BlockConverter& LineBreakConverter(int inputKind, int targetKind)
{
    if (BreakSequence(inputKind).empty() || inputKind == targetKind)
        return IdentityBlocks;
    return LineBreakBlocks;
}

} // namespace jconvert

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

std::string StrictConvertReturnCode(std::string_view text, int inputKind, int targetKind)
{
    return ConvertWhole(LineBreakConverter(inputKind, targetKind), text, {false, inputKind, targetKind});
}
