// Code detection and the conversion dispatch.
#include "publish/Jconvert.h"
#include "publish/JconvertBlocks.h"

#include <algorithm>

using namespace jconvert;

int STRICT_CHECK_LEN = 512;

namespace {

constexpr bool InRange(Byte c, Byte low, Byte high) { return c >= low && c <= high; }
constexpr bool IsBinaryByte(Byte c) { return c < 0x08 || c == 0xFF; }

// Binary content among the leading STRICT_CHECK_LEN bytes, the last byte of
// the text excepted.
bool HasBinaryPrefix(const Input& in)
{
    if (in.size == 0 || STRICT_CHECK_LEN <= 0)
        return false;
    const std::size_t limit = std::min(in.size - 1, std::size_t(STRICT_CHECK_LEN));
    return std::any_of(in.bytes, in.bytes + limit, IsBinaryByte);
}

// After a lead 0xA1-0xDF and a byte 0xE0-0xEF, both codes are still possible;
// the bytes that follow, while they are at least 0x40, can decide. Returns
// where the scan goes on: one past the byte that ended the look-ahead.
std::size_t LookAhead(const Input& in, std::size_t j, int& result)
{
    while (j < in.size && in.bytes[j] >= 0x40 && result == CODE_EUC_OR_SJIS) {
        const Byte c = in.bytes[j];
        if (InRange(c, 0x81, 0x8D) || InRange(c, 0x8F, 0x9C))
            result = CODE_SJIS;
        else if (c == 0xFD || c == 0xFE)
            result = CODE_EUC;
        ++j;
    }
    return j + 1;
}

} // namespace

// The scan never starts a step on the last byte; a step's second byte is
// therefore always inside the text, and only an escape's third byte can be
// the one past the end (read as 0).
int InCodeCheck(std::string_view text)
{
    const Input in(text);
    if (HasBinaryPrefix(in))
        return CODE_BINARY;

    int result = CODE_ASCII;
    std::size_t i = 0;
    while ((result == CODE_ASCII || result == CODE_EUC_OR_SJIS) && i + 1 < in.size) {
        const Byte c = in.bytes[i];
        if (c == Esc) {
            if (in.bytes[i + 1] == '$') {
                const Byte final = in.at(i + 2);
                if (final == 'B')
                    result = CODE_JIS83;
                else if (final == '@')
                    result = CODE_JIS78;
                i += 3;
            } else {
                i += 2;
            }
        } else if (IsBinaryByte(c)) {
            result = CODE_BINARY;
            i += 1;
        } else if (c <= 0x7F || c == 0x80 || c == 0xA0) {
            i += 1;
        } else if (c == 0x8E) {
            // SS2 in EUC-JP (a half-width katakana follows), a lead in Shift_JIS.
            const Byte n = in.bytes[i + 1];
            if (InRange(n, 0x40, 0x7E) || InRange(n, 0x80, 0xA0) || InRange(n, 0xE0, 0xFC))
                result = CODE_SJIS;
            else if (InRange(n, 0xA1, 0xDF))
                result = CODE_EUC_OR_SJIS;
            i += 2;
        } else if (c <= 0x9F) {
            result = CODE_SJIS; // leads 0x81-0x9F never start an EUC-JP character
            i += 1;
        } else if (c <= 0xDF) {
            // A half-width katakana in Shift_JIS, a lead in EUC-JP.
            const Byte n = in.bytes[i + 1];
            if (InRange(n, 0xF0, 0xFE)) {
                result = CODE_EUC;
            } else if (InRange(n, 0xA1, 0xDF)) {
                result = CODE_EUC_OR_SJIS;
            } else if (InRange(n, 0xE0, 0xEF)) {
                result = CODE_EUC_OR_SJIS;
                i = LookAhead(in, i + 2, result);
                continue;
            } else if (n <= 0x9F) {
                result = CODE_SJIS;
            }
            i += 2;
        } else if (c >= 0xF0) {
            result = CODE_EUC; // 0xF0-0xFE: no Shift_JIS lead this high
            i += 1;
        } else {
            // 0xE0-0xEF: a lead in both codes; the trail byte may decide.
            const Byte n = in.bytes[i + 1];
            if (InRange(n, 0x40, 0x7E) || InRange(n, 0x80, 0xA0))
                result = CODE_SJIS;
            else if (n == 0xFD || n == 0xFE)
                result = CODE_EUC;
            else if (InRange(n, 0xA1, 0xFC))
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
    return ConvertWhole(CodeConverter(inputCode, targetCode), text);
}

namespace jconvert {

// ASCII, binary and undecided text, and text already in the target, stay
// as they are; so does ISO-2022-JP of either year for the target JIS83,
// and any text for a target that is none of the three.
const BlockConverter& CodeConverter(int inputCode, int targetCode)
{
    if (inputCode <= CODE_BINARY || inputCode == targetCode || inputCode == CODE_EUC_OR_SJIS)
        return IdentityBlocks;
    const bool fromJis = inputCode == CODE_JIS83 || inputCode == CODE_JIS78;
    switch (targetCode) {
    case CODE_JIS83:
        if (fromJis)
            return IdentityBlocks;
        if (inputCode == CODE_EUC)
            return Euc2Jis83Blocks;
        if (inputCode == CODE_SJIS)
            return Sjis2Jis83Blocks;
        return EmptyBlocks;
    case CODE_EUC:
        if (fromJis)
            return Jis2EucBlocks;
        if (inputCode == CODE_SJIS)
            return Sjis2EucBlocks;
        return EmptyBlocks;
    case CODE_SJIS:
        if (fromJis)
            return Jis2SjisBlocks;
        if (inputCode == CODE_EUC)
            return Euc2SjisBlocks;
        return EmptyBlocks;
    default:
        return IdentityBlocks;
    }
}

} // namespace jconvert
