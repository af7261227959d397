// Fuzzes the character-code unit: the first input byte chooses the routine
// (and, in its high bits, a code or line-break kind), the rest is the text.
// libFuzzer hands over a buffer of exactly the input's size, so AddressSanitizer
// catches any read beyond the last byte.
#include "publish/Jconvert.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

void Require(bool condition)
{
    if (!condition)
        std::abort();
}

using Converter = std::string (*)(std::string_view);
constexpr Converter Converters[] = {jis2euc, jis2sjis, euc2sjis, sjis2euc, euc2jis83, sjis2jis83};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    const unsigned choice = data[0] & 0x0F;
    const int parameter = data[0] >> 4; // 0-15: codes and kinds, valid or not
    const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);

    switch (choice) {
    case 0: {
        STRICT_CHECK_LEN = parameter * 40;
        const int code = InCodeCheck(text);
        STRICT_CHECK_LEN = 512;
        Require(code >= CODE_ASCII && code <= CODE_EUC_OR_SJIS);
        break;
    }
    case 1: case 2: case 3: case 4: case 5: case 6:
        Converters[choice - 1](text);
        break;
    case 7:
        for (int target : {CODE_JIS83, CODE_EUC, CODE_SJIS, parameter})
            ConvertJCode(text, target);
        break;
    case 8:
        for (int target : {CODE_JIS83, CODE_EUC, CODE_SJIS})
            StrictConvertJCode(text, parameter - 4, target);
        break;
    case 9:
        if (text.size() >= 2) {
            const auto first = static_cast<unsigned char>(text[0]);
            const auto second = static_cast<unsigned char>(text[1]);
            Require(ToSjis(first, second).size() == 2);
            Require(ToJis(first, second).size() == 2);
        }
        break;
    case 10: {
        const int kind = ReturnCodeCheck(text);
        Require(kind >= RC_NONE && kind <= RC_LF);
        ConvertReturnCode(text, parameter % 5);
        StrictConvertReturnCode(text, parameter % 5, (parameter + 1) % 5);
        break;
    }
    case 11:
        Require(EncodeBase64(text).size() == (text.size() + 2) / 3 * 4);
        break;
    case 12:
        CreateHeaderString(text);
        break;
    default:
        break;
    }
    return 0;
}
