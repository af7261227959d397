// Base64 and MIME encoded-word headers.
#include "document/SjisString.h"
#include "publish/Jconvert.h"
#include "publish/JconvertBlocks.h"

#include <algorithm>

using namespace jconvert;

namespace {

constexpr char Alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

// Every three bytes b0 b1 b2 (24 bits) become four characters of six bits,
// most significant first. A group needs no byte beyond its three, so a
// block leaves only the bytes of an incomplete group.
std::size_t EncodeGroups(const Input& in, std::size_t, BlockState&, char*& out)
{
    std::size_t i = 0;
    for (; i + 3 <= in.size; i += 3) {
        const std::uint32_t v = std::uint32_t(in.bytes[i]) << 16 | std::uint32_t(in.bytes[i + 1]) << 8 | in.bytes[i + 2];
        out[0] = Alphabet[v >> 18];
        out[1] = Alphabet[(v >> 12) & 0x3F];
        out[2] = Alphabet[(v >> 6) & 0x3F];
        out[3] = Alphabet[v & 0x3F];
        out += 4;
    }
    return i;
}

// A last group of one or two bytes is padded with zero bits and its missing
// characters are written as "=".
void EncodeLastGroup(const Input& rest, BlockState&, char*& out)
{
    if (rest.size == 0)
        return;
    const std::uint32_t v = std::uint32_t(rest.bytes[0]) << 16 | std::uint32_t(rest.at(1)) << 8;
    out[0] = Alphabet[v >> 18];
    out[1] = Alphabet[(v >> 12) & 0x3F];
    out[2] = rest.size == 2 ? Alphabet[(v >> 6) & 0x3F] : '=';
    out[3] = '=';
    out += 4;
}

} // namespace

namespace jconvert {

const BlockConverter Base64Blocks = {EncodeGroups, EncodeLastGroup, 2, 2, [](const Input& in, const BlockState&) {
                                         return 4 * ((in.size + 2) / 3);
                                     }};

} // namespace jconvert

std::string EncodeBase64(std::string_view bytes)
{
    return ConvertWhole(Base64Blocks, bytes);
}

// A run of double-byte characters is a lead byte and the byte after it,
// repeated; a lead on the last byte ends the run (the converter reads the
// missing trail as 0). Half-width katakana and blanks stay outside the words.
std::string CreateHeaderString(std::string_view sjisText)
{
    std::string out;
    out.reserve(sjisText.size());
    std::size_t i = 0;
    while (i < sjisText.size()) {
        if (!IsSjisLeadByte(Byte(sjisText[i]))) {
            out += sjisText[i++];
            continue;
        }
        std::size_t end = i;
        while (end < sjisText.size() && IsSjisLeadByte(Byte(sjisText[end])))
            end += 2;
        end = std::min(end, sjisText.size());
        out += "=?ISO-2022-JP?B?";
        out += EncodeBase64(sjis2jis83(sjisText.substr(i, end - i)));
        out += "?=";
        i = end;
    }
    return out;
}
