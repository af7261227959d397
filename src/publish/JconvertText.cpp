// Jconvert: line breaks, Base64 and MIME encoded-word headers.
#include "publish/Jconvert.h"

#include "document/SjisString.h"
#include "publish/JconvertInternal.h"

using jconvert::ByteAt;
using jconvert::ByteWriter;
using jconvert::CR;
using jconvert::LF;

namespace {

std::string_view LineBreakBytes(int kind)
{
    switch (kind) {
    case RC_CRLF: return "\r\n";
    case RC_CR: return "\r";
    case RC_LF: return "\n";
    default: return {};
    }
}

} // namespace

// The kind of the first line break: a CR is CR LF only when LF follows it.
int ReturnCodeCheck(std::string_view text)
{
    const std::size_t i = text.find_first_of("\r\n");
    if (i == std::string_view::npos)
        return RC_NONE;
    if (static_cast<unsigned char>(text[i]) == LF)
        return RC_LF;
    return ByteAt(text, i + 1) == LF ? RC_CRLF : RC_CR;
}

std::string ConvertReturnCode(std::string_view text, int targetKind)
{
    return StrictConvertReturnCode(text, ReturnCodeCheck(text), targetKind);
}

// Replaces each line break of the input kind; breaks of the other kinds stay
// as they are, so the CR of a CR LF is not taken for a lone CR, nor its LF
// for a lone LF. A target outside RC_CRLF..RC_LF removes the breaks.
std::string StrictConvertReturnCode(std::string_view text, int inputKind, int targetKind)
{
    if (inputKind == targetKind || inputKind < RC_CRLF || inputKind > RC_LF)
        return std::string(text);
    const std::string_view target = LineBreakBytes(targetKind);
    const std::size_t n = text.size();
    ByteWriter out(2 * n);
    std::size_t i = 0;
    while (i < n) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        const bool crlf = c == CR && ByteAt(text, i + 1) == LF;
        if (inputKind == RC_CRLF && crlf) {
            out.append(target);
            i += 2;
            continue;
        }
        if (crlf) { // a break of another kind, kept whole
            out.put(CR, LF);
            i += 2;
            continue;
        }
        if ((inputKind == RC_CR && c == CR) || (inputKind == RC_LF && c == LF))
            out.append(target);
        else
            out.put(c);
        ++i;
    }
    return out.str();
}

// Base64 (RFC 2045 alphabet): each 3 bytes -> 4 characters of 6 bits each;
// a last group of 1 or 2 bytes is padded with "==" or "=". No line breaks.
std::string EncodeBase64(std::string_view bytes)
{
    static constexpr char Alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    const std::size_t n = bytes.size();
    ByteWriter out((n + 2) / 3 * 4);
    const auto at = [&bytes](std::size_t i) { return static_cast<unsigned char>(bytes[i]); };
    std::size_t i = 0;
    for (; i + 3 <= n; i += 3) {
        const unsigned group = (at(i) << 16) | (at(i + 1) << 8) | at(i + 2);
        out.put(Alphabet[group >> 18], Alphabet[(group >> 12) & 63]);
        out.put(Alphabet[(group >> 6) & 63], Alphabet[group & 63]);
    }
    if (n - i == 1) {
        const unsigned group = at(i) << 16;
        out.put(Alphabet[group >> 18], Alphabet[(group >> 12) & 63]);
        out.put('=', '=');
    } else if (n - i == 2) {
        const unsigned group = (at(i) << 16) | (at(i + 1) << 8);
        out.put(Alphabet[group >> 18], Alphabet[(group >> 12) & 63]);
        out.put(Alphabet[(group >> 6) & 63], '=');
    }
    return out.str();
}

// Each run of double-byte characters (a lead byte and the byte after it,
// repeatedly) becomes one encoded word; every other byte, half-width
// katakana and blanks included, is copied. Runs are not split for length.
std::string CreateHeaderString(std::string_view sjisText)
{
    const std::size_t n = sjisText.size();
    std::string out;
    out.reserve(n);
    std::size_t i = 0;
    while (i < n) {
        if (!IsSjisLeadByte(static_cast<unsigned char>(sjisText[i]))) {
            out += sjisText[i++];
            continue;
        }
        const std::size_t start = i;
        while (i < n && IsSjisLeadByte(static_cast<unsigned char>(sjisText[i])))
            i += 2;
        i = std::min(i, n); // a lead byte that ends the text pairs with 0
        out += "=?ISO-2022-JP?B?";
        out += EncodeBase64(sjis2jis83(sjisText.substr(start, i - start)));
        out += "?=";
    }
    return out;
}
