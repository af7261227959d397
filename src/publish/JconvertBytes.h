#pragma once

// Building blocks shared by the Jconvert routines: bounded reads, the output
// buffer, the pair arithmetic and the escape sequences.

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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

// The inner loops store whole words and vectors and then advance by the
// bytes that count, so the output needs this much room past its end. Two
// vectors: most stretches between mode changes fit in 32 bytes, and copying
// 32 at once spares a hard-to-predict loop branch.
inline constexpr std::size_t WriteSlack = 32;

// The number of bytes before the first byte with a bit set, in a word
// loaded from memory (the first byte is the least significant on a
// little-endian machine). `bits` is not zero.
inline std::size_t BytesBeforeFirstSet(std::uint64_t bits)
{
    if constexpr (std::endian::native == std::endian::little)
        return std::size_t(std::countr_zero(bits)) / 8;
    else
        return std::size_t(std::countl_zero(bits)) / 8;
}

// Copies the run of 7-bit bytes at `i`, up to `end`, to `out`, a word at a
// time, and moves both past it. ASCII runs are the common case in a page.
// Writes up to WriteSlack bytes past the run.
inline void CopySevenBitRun(const Input& in, std::size_t& i, std::size_t end, char*& out)
{
    constexpr std::uint64_t highBits = 0x8080808080808080ull;
    while (i + 8 <= end) {
        std::uint64_t word;
        std::memcpy(&word, in.bytes + i, 8);
        std::memcpy(out, &word, 8);
        if (const std::uint64_t high = word & highBits) {
            const std::size_t run = BytesBeforeFirstSet(high);
            out += run;
            i += run;
            return;
        }
        out += 8;
        i += 8;
    }
    while (i < end && in.bytes[i] < 0x80)
        *out++ = char(in.bytes[i++]);
}

// Counts the 8-bit bytes of a text, and the 8-bit bytes that follow a 7-bit
// byte or start the text, eight bytes at a time.
struct HighByteCount {
    std::size_t high = 0;
    std::size_t runStarts = 0;
};
inline HighByteCount CountHighBytes(const Input& in)
{
    constexpr std::uint64_t highBits = 0x8080808080808080ull;
    constexpr std::uint64_t ones = 0x0101010101010101ull;
    // The sum of the 0/1 bytes of a word, by one multiplication.
    auto sumOfBytes = [](std::uint64_t bits) { return std::size_t(((bits >> 7) * ones) >> 56); };
    HighByteCount count;
    std::size_t i = 0;
#if defined(__SSE2__)
    // 64 bytes at a time: bit n of `high` is byte n's top bit.
    std::uint64_t previousHigh64 = 0; // bit 0: the byte before these 64 was 8-bit
    for (; i + 64 <= in.size; i += 64) {
        std::uint64_t high = 0;
        for (int k = 0; k < 4; ++k) {
            const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in.bytes + i + 16 * k));
            high |= std::uint64_t(std::uint32_t(_mm_movemask_epi8(bytes))) << (16 * k);
        }
        count.high += std::size_t(std::popcount(high));
        count.runStarts += std::size_t(std::popcount(high & ~((high << 1) | previousHigh64)));
        previousHigh64 = high >> 63;
    }
#endif
    if constexpr (std::endian::native == std::endian::little) {
        std::uint64_t previousHigh = i > 0 ? in.bytes[i - 1] & 0x80 : 0; // bit 7: the byte before this word was 8-bit
        for (; i + 8 <= in.size; i += 8) {
            std::uint64_t word;
            std::memcpy(&word, in.bytes + i, 8);
            const std::uint64_t high = word & highBits;
            count.high += sumOfBytes(high);
            count.runStarts += sumOfBytes(high & ~((high << 8) | previousHigh));
            previousHigh = high >> 56;
        }
    }
    for (; i < in.size; ++i) {
        const bool high = in.bytes[i] > 0x7F;
        count.high += high;
        count.runStarts += high && (i == 0 || in.bytes[i - 1] < 0x80);
    }
    return count;
}

// Room enough for a conversion to ISO-2022-JP: every byte above 0x7F may
// become two (a half-width katakana, or a pair cut short by the end), every
// entry into two-byte mode, which needs a 7-bit byte (or the start) before
// an 8-bit one, costs at most two escapes of three bytes, and a block that
// starts in two-byte mode may have to leave it first.
inline std::size_t JisOutputBound(const Input& in)
{
    const HighByteCount count = CountHighBytes(in);
    return in.size + count.high + 6 * count.runStarts + 3 + WriteSlack;
}

// Room for a conversion where each byte becomes at most two.
inline std::size_t HighByteBound(const Input& in)
{
    return in.size + CountHighBytes(in).high + WriteSlack;
}

// JIS X 0208 bytes j1 j2 -> Shift_JIS s1 s2, all on 8 bits, wrapping:
//   s1 = ((j1 + 1) >> 1) + (j1 < 0x5F ? 0x70 : 0xB0)
//   s2 = j1 even ? j2 + 0x7E : j2 > 0x5F ? j2 + 0x20 : j2 + 0x1F
// Rows 0x21-0x5E map to leads 0x81-0x9F, rows 0x5F-0x7E to 0xE0-0xEF; an odd
// row takes trails 0x40-0x7E, 0x80-0x9E (skipping 0x7F), an even row 0x9F-0xFC.
constexpr void JisToSjis(Byte j1, Byte j2, Byte& s1, Byte& s2)
{
    s1 = Byte(Byte(Byte(j1 + 1) >> 1) + (j1 < 0x5F ? 0x70 : 0xB0));
    s2 = Byte((j1 & 1) == 0 ? j2 + 0x7E : j2 > 0x5F ? j2 + 0x20 : j2 + 0x1F);
}

// Shift_JIS bytes s1 s2 -> JIS X 0208 j1 j2, the inverse, on 8 bits, wrapping:
//   j1 = (s1 < 0xA0 ? s1 - 0x70 : s1 - 0xB0) * 2
//   s2 <  0x9F: j1 = j1 - 1, j2 = s2 > 0x7F ? s2 - 0x20 : s2 - 0x1F
//   s2 >= 0x9F: j2 = s2 - 0x7E
constexpr void SjisToJis(Byte s1, Byte s2, Byte& j1, Byte& j2)
{
    j1 = Byte((s1 < 0xA0 ? s1 - 0x70 : s1 - 0xB0) * 2);
    if (s2 < 0x9F) {
        j1 = Byte(j1 - 1);
        j2 = Byte(s2 > 0x7F ? s2 - 0x20 : s2 - 0x1F);
    } else {
        j2 = Byte(s2 - 0x7E);
    }
}

// SjisToJis as table lookups, for the inner loops: the row byte depends on
// the lead and on whether the trail is below 0x9F, the column byte on the
// trail alone. The tables are computed from SjisToJis itself:
//   j1 = LeadRow[s1] - TrailBorrow[s2], j2 = TrailColumn[s2]
struct SjisToJisTables {
    Byte leadRow[256];     // j1 for a trail >= 0x9F
    Byte trailBorrow[256]; // 1 for a trail below 0x9F, else 0
    Byte trailColumn[256]; // j2
};
constexpr SjisToJisTables MakeSjisToJisTables()
{
    SjisToJisTables t{};
    for (int c = 0; c < 256; ++c) {
        Byte j1 = 0, j2 = 0;
        SjisToJis(Byte(c), 0xFF, j1, j2);
        t.leadRow[c] = j1;
        SjisToJis(0x81, Byte(c), j1, j2);
        t.trailBorrow[c] = Byte(0x22 - j1);
        t.trailColumn[c] = j2;
    }
    return t;
}
inline constexpr SjisToJisTables SjisToJisTable = MakeSjisToJisTables();

inline void SjisToJisByTable(Byte s1, Byte s2, Byte& j1, Byte& j2)
{
    j1 = Byte(SjisToJisTable.leadRow[s1] - SjisToJisTable.trailBorrow[s2]);
    j2 = SjisToJisTable.trailColumn[s2];
}

// SjisToJis on eight pairs at once, for runs of double-byte characters: the
// sixteen bytes at `in` taken as pairs are converted (with `highBits` or-ed
// into every output byte: 0x80 gives EUC-JP) and all sixteen output bytes
// are written; returns how many leading pairs were real pairs, that is,
// started with a byte above 0x7F that is no half-width katakana. Each lane
// holds one pair, lead in its low byte; the arithmetic is SjisToJis's on
// 16 bits, cut to 8. Where the compiler has no vector types, or bytes load
// the other way round, it converts nothing and the caller goes pair by pair.
inline std::size_t SjisPairsToJis(const Byte* in, char* out, Byte highBits)
{
#if defined(__GNUC__)
    if constexpr (std::endian::native == std::endian::little) {
        using Lanes = std::uint16_t __attribute__((vector_size(16)));
        auto mask = [](auto condition) { return Lanes(condition); }; // all ones where true
        Lanes pairs;
        std::memcpy(&pairs, in, 16);
        const Lanes s1 = pairs & 0xFF;
        const Lanes s2 = pairs >> 8;
        const Lanes isPair = mask(s1 > 0x7F) & (mask(s1 < 0xA1) | mask(s1 > 0xDF));
        std::uint64_t pairMasks[2]; // lane 0 in the low bits of the first word
        std::memcpy(pairMasks, &isPair, 16);
        const std::size_t count = ~pairMasks[0] ? BytesBeforeFirstSet(~pairMasks[0]) / 2
                                  : ~pairMasks[1] ? 4 + BytesBeforeFirstSet(~pairMasks[1]) / 2
                                                  : 8;
        if (count == 0)
            return 0;
        const Lanes lowTrail = mask(s2 < 0x9F);
        const Lanes row = (s1 - ((mask(s1 < 0xA0) & 0x70) | (~mask(s1 < 0xA0) & 0xB0))) * 2 + lowTrail;
        const Lanes column = (lowTrail & (s2 - ((mask(s2 > 0x7F) & 0x20) | (~mask(s2 > 0x7F) & 0x1F)))) |
                             (~lowTrail & (s2 - 0x7E));
        const Lanes jis = ((row & 0xFF) | (column & 0xFF) << 8) | std::uint16_t(highBits * 0x0101);
        std::memcpy(out, &jis, 16);
        return count;
    }
#endif
    (void)in, (void)out, (void)highBits;
    return 0;
}

// The leads of the pairs among 64 bytes (bit n is byte n), given which bytes
// are 8-bit and which are half-width katakana, and whether byte 0 trails a
// pair begun before. In a run of bytes that may lead a pair, the first
// leads, the next trails it, the next leads again: the leads are the run's
// bytes at even distance from its start. Adding a run's start bit to the run
// clears the run (the carry ripples through it), which picks out the runs
// starting at even positions.
inline std::uint64_t SjisLeads(std::uint64_t high, std::uint64_t kana, std::uint64_t trailIn)
{
    constexpr std::uint64_t even = 0x5555555555555555ull;
    const std::uint64_t mayLead = high & ~kana & ~trailIn;
    const std::uint64_t starts = mayLead & ~(mayLead << 1);
    const std::uint64_t evenRuns = mayLead & ~(mayLead + (starts & even));
    return (evenRuns & even) | (mayLead & ~evenRuns & ~even);
}

// Half-width katakana 0xA1-0xDF.
constexpr bool IsHankaku(Byte c) { return c >= 0xA1 && c <= 0xDF; }
constexpr Byte VoicedMark = 0xDE;     // dakuten: ka + dakuten = ga
constexpr Byte SemiVoicedMark = 0xDF; // handakuten: ha + handakuten = pa
constexpr Byte EucKanaPrefix = 0x8E;  // SS2: EUC-JP writes a half-width katakana k as 0x8E k

// Escapes written to ISO-2022-JP: ESC $ B enters JIS X 0208, ESC ( B
// returns to ASCII. Not ESC ( J (JIS X 0201 Roman): browsers read 0x5C and
// 0x7E after it as the yen sign and the overline, breaking links and scripts.
constexpr Byte Esc = 0x1B;
inline char* WriteEnterTwoByte(char* out)
{
    out[0] = char(Esc), out[1] = '$', out[2] = 'B';
    return out + 3;
}
inline char* WriteLeaveTwoByte(char* out)
{
    out[0] = char(Esc), out[1] = '(', out[2] = 'B';
    return out + 3;
}

} // namespace jconvert
