// ISO-2022-JP -> EUC-JP and Shift_JIS.
//
// Every escape is three bytes: ESC $ x enters two-byte mode and ESC ( x
// returns to one-byte mode, whatever x is; ESC followed by anything else
// keeps the mode. The escape is dropped and the byte after it is taken as
// data in the same step (it is not tested for ESC). An escape cut short by
// the end of the text, or ending it, ends the conversion.
// Two-byte mode: JIS X 0208 j1 j2 (0x21-0x7E each) is EUC-JP
// (j1 | 0x80) (j2 | 0x80), and Shift_JIS by JisToSjis.
#include "publish/Jconvert.h"
#include "publish/JconvertBlocks.h"

using namespace jconvert;

namespace {

// Handles the escape at `i`: sets the mode and moves `i` to the data byte
// after it. False when the escape ends the text.
bool SkipEscape(const Input& in, std::size_t& i, bool& twoByte)
{
    if (i + 3 >= in.size)
        return false;
    const Byte kind = in.bytes[i + 1];
    if (kind == '$')
        twoByte = true;
    else if (kind == '(')
        twoByte = false;
    i += 3;
    return true;
}

// Both targets: `writeTwoByte` handles one step of two-byte mode at `i` and
// returns how many input bytes it used. A step that starts with an escape
// also takes the data byte after it.
template <class WriteTwoByte>
std::size_t FromJis(const Input& in, std::size_t stepEnd, BlockState& state, char*& out, WriteTwoByte writeTwoByte)
{
    std::size_t i = 0;
    while (i < stepEnd) {
        const std::size_t stepStart = i;
        if (in.bytes[i] == Esc && !SkipEscape(in, i, state.twoByte))
            return stepStart;
        if (!state.twoByte) {
            *out++ = char(in.bytes[i]);
            i += 1;
        } else {
            i += writeTwoByte(in, i, out);
        }
    }
    return i;
}

// Bytes 0x21-0x7E of two-byte mode get their high bit; others are copied.
std::size_t Jis2Euc(const Input& in, std::size_t stepEnd, BlockState& state, char*& out)
{
    return FromJis(in, stepEnd, state, out, [](const Input& text, std::size_t pos, char*& to) -> std::size_t {
        const Byte c = text.bytes[pos];
        *to++ = char(c >= 0x21 && c <= 0x7E ? c | 0x80 : c);
        return 1;
    });
}

// Two-byte mode takes every byte with the next one as a pair.
std::size_t Jis2Sjis(const Input& in, std::size_t stepEnd, BlockState& state, char*& out)
{
    return FromJis(in, stepEnd, state, out, [](const Input& text, std::size_t pos, char*& to) -> std::size_t {
        Byte s1, s2;
        JisToSjis(text.bytes[pos], text.at(pos + 1), s1, s2);
        *to++ = char(s1);
        *to++ = char(s2);
        return 2;
    });
}

void NoEnd(const Input&, BlockState&, char*&) {}

// Escapes shrink; only a Shift_JIS pair cut short by the end grows (1 -> 2).
std::size_t FromJisBound(const Input& in, const BlockState&)
{
    return in.size + 1;
}

} // namespace

namespace jconvert {

// Look-ahead: an escape, its data byte and, for Shift_JIS, that byte's pair.
const BlockConverter Jis2EucBlocks = {Jis2Euc, NoEnd, 3, 1, FromJisBound};
const BlockConverter Jis2SjisBlocks = {Jis2Sjis, NoEnd, 4, 1, FromJisBound};

} // namespace jconvert

std::string jis2euc(std::string_view text)
{
    return ConvertWhole(Jis2EucBlocks, text);
}

std::string jis2sjis(std::string_view text)
{
    return ConvertWhole(Jis2SjisBlocks, text);
}
