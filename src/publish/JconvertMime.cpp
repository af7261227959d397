// Base64 and MIME encoded-word headers.
#include "document/SjisString.h"
#include "publish/Jconvert.h"
#include "publish/JconvertBytes.h"

#include <algorithm>

using namespace jconvert;

// Every three bytes b0 b1 b2 (24 bits) become four characters of six bits,
// most significant first; a last group of one or two bytes is padded with
// zero bits and its missing characters are written as "=".
std::string EncodeBase64(std::string_view bytes)
{
    static constexpr char Alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    const Input in(bytes);
    const std::size_t groups = (in.size + 2) / 3;
    return WriteBounded(4 * groups, [&in](char* const start) {
        char* out = start;
        std::size_t i = 0;
        for (; i + 3 <= in.size; i += 3) {
            const std::uint32_t v = in.bytes[i] << 16 | in.bytes[i + 1] << 8 | in.bytes[i + 2];
            *out++ = Alphabet[v >> 18];
            *out++ = Alphabet[(v >> 12) & 0x3F];
            *out++ = Alphabet[(v >> 6) & 0x3F];
            *out++ = Alphabet[v & 0x3F];
        }
        if (const std::size_t rest = in.size - i; rest > 0) {
            const std::uint32_t v = in.bytes[i] << 16 | (rest == 2 ? in.bytes[i + 1] << 8 : 0);
            *out++ = Alphabet[v >> 18];
            *out++ = Alphabet[(v >> 12) & 0x3F];
            *out++ = rest == 2 ? Alphabet[(v >> 6) & 0x3F] : '=';
            *out++ = '=';
        }
        return std::size_t(out - start);
    });
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
