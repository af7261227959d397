// Jconvert: code detection and the conversion dispatch.
#include "publish/Jconvert.h"

#include "publish/JconvertInternal.h"

#include <algorithm>

using jconvert::ByteAt;
using jconvert::ESC;

int STRICT_CHECK_LEN = 512;

namespace {

bool IsBinaryByte(unsigned char c)
{
    return c < 0x08 || c == 0xFF;
}

// A lead byte 0xA1-0xDF followed by 0xE0-0xEF is valid in both encodings
// (EUC kanji, or Shift_JIS half-width katakana then a kanji lead). Read on
// while the bytes stay 8-bit-ish (>= 0x40): a byte only Shift_JIS uses as a
// lead (0x81-0x8D, 0x8F-0x9C) or only EUC uses (0xFD, 0xFE) decides.
// Returns the position one past the byte that ended the look-ahead.
std::size_t LookAhead(std::string_view text, std::size_t i, int& result)
{
    while (i < text.size() && static_cast<unsigned char>(text[i]) >= 0x40 && result == CODE_EUC_OR_SJIS) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if ((c >= 0x81 && c <= 0x8D) || (c >= 0x8F && c <= 0x9C))
            result = CODE_SJIS;
        else if (c == 0xFD || c == 0xFE)
            result = CODE_EUC;
        ++i;
    }
    return i + 1;
}

} // namespace

// The byte ranges that tell the encodings apart:
//   Shift_JIS lead 0x81-0x9F, 0xE0-0xFC; trail 0x40-0x7E, 0x80-0xFC;
//             half-width katakana 0xA1-0xDF as single bytes
//   EUC-JP    both bytes 0xA1-0xFE; half-width katakana 0x8E + 0xA1-0xDF
// The scan stops at the first byte that only one of them allows.
int InCodeCheck(std::string_view text)
{
    const std::size_t n = text.size();
    if (n == 0)
        return CODE_ASCII;

    // Binary test over the leading bytes, never the last one.
    const std::size_t binaryLimit = STRICT_CHECK_LEN > 0
        ? std::min<std::size_t>(static_cast<std::size_t>(STRICT_CHECK_LEN), n - 1)
        : 0;
    for (std::size_t i = 0; i < binaryLimit; ++i) {
        if (IsBinaryByte(static_cast<unsigned char>(text[i])))
            return CODE_BINARY;
    }

    // The last byte is never the start of a step; a step may look at it.
    int result = CODE_ASCII;
    std::size_t i = 0;
    while ((result == CODE_ASCII || result == CODE_EUC_OR_SJIS) && i + 1 < n) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c == ESC) {
            const unsigned char next = ByteAt(text, i + 1);
            if (next == 0x24) {
                const unsigned char final = ByteAt(text, i + 2);
                if (final == 0x42)
                    result = CODE_JIS83;
                else if (final == 0x40)
                    result = CODE_JIS78;
                i += 3;
            } else {
                i += 2;
            }
        } else if (IsBinaryByte(c)) {
            result = CODE_BINARY;
            ++i;
        } else if (c <= 0x7F || c == 0x80 || c == 0xA0) {
            ++i;
        } else if (c <= 0x9F && c != 0x8E) {
            result = CODE_SJIS;
            ++i;
        } else if (c == 0x8E) {
            const unsigned char next = ByteAt(text, i + 1);
            if ((next >= 0x40 && next <= 0x7E) || (next >= 0x80 && next <= 0xA0) || (next >= 0xE0 && next <= 0xFC))
                result = CODE_SJIS;
            else if (next >= 0xA1 && next <= 0xDF)
                result = CODE_EUC_OR_SJIS;
            i += 2;
        } else if (c <= 0xDF) { // 0xA1-0xDF
            const unsigned char next = ByteAt(text, i + 1);
            i += 2;
            if (next >= 0xF0 && next <= 0xFE) {
                result = CODE_EUC;
            } else if (next >= 0xA1 && next <= 0xDF) {
                result = CODE_EUC_OR_SJIS;
            } else if (next >= 0xE0 && next <= 0xEF) {
                result = CODE_EUC_OR_SJIS;
                i = LookAhead(text, i, result);
            } else if (next <= 0x9F) {
                result = CODE_SJIS;
            }
        } else if (c >= 0xF0) { // 0xF0-0xFE
            result = CODE_EUC;
            ++i;
        } else { // 0xE0-0xEF
            const unsigned char next = ByteAt(text, i + 1);
            if ((next >= 0x40 && next <= 0x7E) || (next >= 0x80 && next <= 0xA0))
                result = CODE_SJIS;
            else if (next == 0xFD || next == 0xFE)
                result = CODE_EUC;
            else if (next >= 0xA1 && next <= 0xFC)
                result = CODE_EUC_OR_SJIS;
            i += 2;
        }
    }
    return result;
}

std::string ConvertJCode(std::string_view text, int targetCode)
{
    return StrictConvertJCode(text, InCodeCheck(text), targetCode);
}

std::string StrictConvertJCode(std::string_view text, int inputCode, int targetCode)
{
    if (inputCode <= CODE_BINARY || inputCode == targetCode || inputCode == CODE_EUC_OR_SJIS)
        return std::string(text);

    const bool fromJis = inputCode == CODE_JIS83 || inputCode == CODE_JIS78;
    switch (targetCode) {
    case CODE_JIS83:
        if (fromJis)
            return std::string(text);
        if (inputCode == CODE_EUC)
            return euc2jis83(text);
        if (inputCode == CODE_SJIS)
            return sjis2jis83(text);
        break;
    case CODE_EUC:
        if (fromJis)
            return jis2euc(text);
        if (inputCode == CODE_SJIS)
            return sjis2euc(text);
        break;
    case CODE_SJIS:
        if (fromJis)
            return jis2sjis(text);
        if (inputCode == CODE_EUC)
            return euc2sjis(text);
        break;
    default:
        return std::string(text);
    }
    // An input code that names no encoding gives nothing to convert from.
    return std::string();
}
