#pragma once

// Building blocks shared by the Jconvert routines: bounded reads, the output
// buffer, the pair arithmetic and the escape sequences.

#include <cstddef>
#include <cstdlib>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace jconvert {

using Byte = unsigned char;

// The input text as bytes. A read one past the last byte yields 0, so that a
// pair starting on the last byte takes 0 as its second byte.
struct Input {
    const Byte* bytes;
    std::size_t size;

    explicit Input(std::string_view text)
        : bytes(reinterpret_cast<const Byte*>(text.data())), size(text.size()) {}
    Byte at(std::size_t i) const { return i < size ? bytes[i] : 0; }
};

// Runs fill(char* out) -> bytes written, into a fresh string of room `bound`.
// The converters compute a bound they can never exceed, so the inner loops
// write through a plain pointer and never grow the string. Going past the
// bound would be a bug in that computation: stop at once rather than go on
// with corrupted memory.
template <class Fill>
std::string WriteBounded(std::size_t bound, Fill fill)
{
    auto checkedFill = [&fill, bound](char* p) {
        const std::size_t written = fill(p);
        if (written > bound)
            std::abort();
        return written;
    };
    std::string out;
#if defined(__cpp_lib_string_resize_and_overwrite)
    out.resize_and_overwrite(bound, [&](char* p, std::size_t) { return checkedFill(p); });
#else
    out.resize(bound);
    out.resize(checkedFill(out.data()));
#endif
    return out;
}

// The length of the run of 7-bit bytes starting at `from`, read a word at a
// time: ASCII runs are copied in one piece.
inline std::size_t SevenBitRun(const Input& in, std::size_t from)
{
    std::size_t i = from;
    constexpr std::uint64_t high = 0x8080808080808080ull;
    while (i + 8 <= in.size) {
        std::uint64_t word;
        std::memcpy(&word, in.bytes + i, 8);
        if (word & high)
            break;
        i += 8;
    }
    while (i < in.size && in.bytes[i] < 0x80)
        ++i;
    return i - from;
}

// Room enough for a conversion to ISO-2022-JP: every byte above 0x7F may
// become two (a half-width katakana, or a pair cut short by the end), and
// every entry into two-byte mode, which needs a 7-bit byte (or the start)
// before an 8-bit one, costs at most two escapes of three bytes.
inline std::size_t JisOutputBound(const Input& in)
{
    std::size_t high = 0, entries = 0;
    Byte previous = 0;
    for (std::size_t i = 0; i < in.size; ++i) {
        Byte c = in.bytes[i];
        high += c >> 7;
        entries += (c >> 7) & ~(previous >> 7);
        previous = c;
    }
    return in.size + high + 6 * entries;
}

// Room for a conversion where each byte becomes at most two.
inline std::size_t HighByteBound(const Input& in)
{
    std::size_t high = 0;
    for (std::size_t i = 0; i < in.size; ++i)
        high += in.bytes[i] >> 7;
    return in.size + high;
}

// JIS X 0208 bytes j1 j2 -> Shift_JIS s1 s2, all on 8 bits, wrapping:
//   s1 = ((j1 + 1) >> 1) + (j1 < 0x5F ? 0x70 : 0xB0)
//   s2 = j1 even ? j2 + 0x7E : j2 > 0x5F ? j2 + 0x20 : j2 + 0x1F
// Rows 0x21-0x5E map to leads 0x81-0x9F, rows 0x5F-0x7E to 0xE0-0xEF; an odd
// row takes trails 0x40-0x7E, 0x80-0x9E (skipping 0x7F), an even row 0x9F-0xFC.
inline void JisToSjis(Byte j1, Byte j2, Byte& s1, Byte& s2)
{
    s1 = Byte(Byte(Byte(j1 + 1) >> 1) + (j1 < 0x5F ? 0x70 : 0xB0));
    s2 = Byte((j1 & 1) == 0 ? j2 + 0x7E : j2 > 0x5F ? j2 + 0x20 : j2 + 0x1F);
}

// Shift_JIS bytes s1 s2 -> JIS X 0208 j1 j2, the inverse, on 8 bits, wrapping:
//   j1 = (s1 < 0xA0 ? s1 - 0x70 : s1 - 0xB0) * 2
//   s2 <  0x9F: j1 = j1 - 1, j2 = s2 > 0x7F ? s2 - 0x20 : s2 - 0x1F
//   s2 >= 0x9F: j2 = s2 - 0x7E
inline void SjisToJis(Byte s1, Byte s2, Byte& j1, Byte& j2)
{
    j1 = Byte((s1 < 0xA0 ? s1 - 0x70 : s1 - 0xB0) * 2);
    if (s2 < 0x9F) {
        j1 = Byte(j1 - 1);
        j2 = Byte(s2 > 0x7F ? s2 - 0x20 : s2 - 0x1F);
    } else {
        j2 = Byte(s2 - 0x7E);
    }
}

// Half-width katakana 0xA1-0xDF.
constexpr bool IsHankaku(Byte c) { return c >= 0xA1 && c <= 0xDF; }
constexpr Byte VoicedMark = 0xDE;     // ﾞ
constexpr Byte SemiVoicedMark = 0xDF; // ﾟ
constexpr Byte EucKanaPrefix = 0x8E;  // SS2: EUC-JP writes a half-width katakana k as 0x8E k

// Escapes written to ISO-2022-JP: ESC $ B enters JIS X 0208, ESC ( J
// (JIS X 0201 Roman) returns to one-byte mode.
constexpr Byte Esc = 0x1B;
inline char* WriteEnterTwoByte(char* out)
{
    out[0] = char(Esc), out[1] = '$', out[2] = 'B';
    return out + 3;
}
inline char* WriteLeaveTwoByte(char* out)
{
    out[0] = char(Esc), out[1] = '(', out[2] = 'J';
    return out + 3;
}

} // namespace jconvert
