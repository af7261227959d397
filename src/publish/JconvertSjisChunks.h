#pragma once

// Shift_JIS -> ISO-2022-JP / EUC-JP over long stretches of text, up to 4 KiB
// at a time, without a branch per character, on processors without the
// AVX-512 of JconvertSjisWide.h. Page text switches between ASCII,
// pairs and half-width katakana every few characters, so a loop that decides
// per character mispredicts most of its branches. Here two passes run over a
// chunk instead:
//  1. 64 bytes at a time (SSE2), bit masks say which bytes lead a pair, trail
//     one, are half-width katakana or are 8-bit; every pair is converted in
//     place, into a scratch copy of the chunk that has the input's layout.
//  2. Only the places where the output's layout departs from the input's are
//     visited, by scanning the masks: the katakana, which grow, and (to
//     ISO-2022-JP) the mode changes, which take an escape. The stretches in
//     between are copied from the scratch copy a vector at a time.
// The results are those of the character-by-character steps: the masks
// follow the same rule (a byte above 0x7F that is no half-width katakana
// leads a pair, whatever the next byte is) and the pairs go through the same
// arithmetic as SjisToJis.

#include "publish/JconvertBytes.h"

#include <algorithm>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace jconvert {

#if defined(__SSE2__)

inline constexpr std::size_t SjisChunkWords = 64;
inline constexpr std::size_t SjisChunkBytes = 64 * SjisChunkWords;
// A chunk reads this far past its end: the trail of a pair on its last byte
// (by 16-byte loads), or the mark after a katakana there.
inline constexpr std::size_t SjisChunkReadAhead = 16;

// What pass 1 finds in 64 bytes; bit n is byte n.
struct SjisWordMasks {
    std::uint64_t twoByte; // part of a pair or a katakana: ISO-2022-JP two-byte mode
    std::uint64_t kana;    // a half-width katakana (not a trail)
};

// 16 bits -> 16 bytes, all ones where the bit is set.
inline __m128i ExpandBits(std::uint32_t bits)
{
    __m128i x = _mm_cvtsi32_si128(int(bits));
    x = _mm_unpacklo_epi8(x, x);
    x = _mm_unpacklo_epi16(x, x);
    x = _mm_unpacklo_epi32(x, x); // byte 0 of `bits` in lanes 0-7, byte 1 in lanes 8-15
    const __m128i bit = _mm_set_epi8(-128, 64, 32, 16, 8, 4, 2, 1, -128, 64, 32, 16, 8, 4, 2, 1);
    return _mm_cmpeq_epi8(_mm_and_si128(x, bit), bit);
}

// Unsigned a < b on bytes, by the signed comparison with the top bits flipped.
inline __m128i BytesBelow(__m128i a, Byte b)
{
    return _mm_cmplt_epi8(_mm_xor_si128(a, _mm_set1_epi8(char(0x80))), _mm_set1_epi8(char(b ^ 0x80)));
}

// Pass 1 on the 64 bytes at `in` (reads in[64] too). `trailIn` is 1 when
// in[0] trails a pair begun before; returns the same for the next 64 bytes.
// `pairHigh` (0x80 for EUC-JP) is or-ed into every converted pair byte.
inline std::uint64_t ConvertSjisWord(const Byte* in, Byte* scratch, std::uint64_t trailIn, Byte pairHigh,
                                     SjisWordMasks& masks)
{
    __m128i bytes[4];
    std::uint64_t high = 0, kana = 0;
    for (int k = 0; k < 4; ++k) {
        bytes[k] = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + 16 * k));
        // 0xA1-0xDF, less 0x21, are 0x80-0xBE: below -65 as signed bytes.
        const __m128i isKana = _mm_cmplt_epi8(_mm_add_epi8(bytes[k], _mm_set1_epi8(-0x21)), _mm_set1_epi8(-65));
        high |= std::uint64_t(std::uint32_t(_mm_movemask_epi8(bytes[k]))) << (16 * k);
        kana |= std::uint64_t(std::uint32_t(_mm_movemask_epi8(isKana))) << (16 * k);
    }
    const std::uint64_t lead = SjisLeads(high, kana, trailIn);
    const std::uint64_t trail = (lead << 1) | trailIn;
    masks.twoByte = high | trail;
    masks.kana = kana & ~trail;

    // Lane 0 of the first vector trails when `trailIn`; every other trail follows a lead.
    __m128i leadBefore = _mm_slli_si128(_mm_cvtsi32_si128(-int(trailIn)), 15);
    for (int k = 0; k < 4; ++k) {
        const __m128i s1 = bytes[k];
        const __m128i s2 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + 16 * k + 1));
        const __m128i flipped = _mm_xor_si128(s1, _mm_set1_epi8(char(0x80))); // unsigned order, as signed
        // As a lead: j1 = (s1 - (s1 < 0xA0 ? 0x70 : 0xB0)) * 2, less 1 when s2 < 0x9F;
        // on 8 bits that is 2 * s1 - 0x60, less 0x80 more when s1 < 0xA0.
        const __m128i leadBelowA0 = _mm_cmplt_epi8(flipped, _mm_set1_epi8(0xA0 ^ 0x80));
        __m128i row = _mm_sub_epi8(_mm_add_epi8(s1, s1), _mm_set1_epi8(0x60));
        row = _mm_sub_epi8(row, _mm_and_si128(leadBelowA0, _mm_set1_epi8(char(0x80))));
        row = _mm_or_si128(_mm_add_epi8(row, BytesBelow(s2, 0x9F)), _mm_set1_epi8(char(pairHigh)));
        // As a trail: s1 < 0x9F ? s1 - (s1 > 0x7F ? 0x20 : 0x1F) : s1 - 0x7E, that is
        // s1 - 0x7E, plus 0x5F (0x5E above 0x7F) below 0x9F.
        const __m128i trailBelow9F = _mm_cmplt_epi8(flipped, _mm_set1_epi8(0x9F ^ 0x80));
        const __m128i lowTrailStep =
            _mm_and_si128(trailBelow9F, _mm_add_epi8(_mm_set1_epi8(0x5F), _mm_cmplt_epi8(s1, _mm_setzero_si128())));
        __m128i column = _mm_add_epi8(_mm_sub_epi8(s1, _mm_set1_epi8(0x7E)), lowTrailStep);
        column = _mm_or_si128(column, _mm_set1_epi8(char(pairHigh)));

        const __m128i isLead = ExpandBits(std::uint32_t(lead >> (16 * k)) & 0xFFFF);
        const __m128i isTrail = _mm_or_si128(_mm_slli_si128(isLead, 1), _mm_srli_si128(leadBefore, 15));
        leadBefore = isLead;
        const __m128i isPair = _mm_or_si128(isLead, isTrail);
        const __m128i converted = _mm_or_si128(_mm_or_si128(_mm_and_si128(isLead, row), _mm_and_si128(isTrail, column)),
                                               _mm_andnot_si128(isPair, s1));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(scratch + 16 * k), converted);
    }
    return lead >> 63;
}

// Copies `size` bytes 16 at a time, at least 32; writes up to WriteSlack
// bytes past them.
inline void CopyStretch(const Byte* from, std::size_t size, char*& out)
{
    std::memcpy(out, from, 16);
    std::memcpy(out + 16, from + 16, 16);
    for (std::size_t k = 32; k < size; k += 16)
        std::memcpy(out + k, from + k, 16);
    out += size;
}

// Converts chunks of whole 64-byte words from `i` while a word and the
// read-ahead end before `stepEnd`; returns where it stopped, always between characters.
// `twoByte` is the output's mode (escapes are written only when `escapes`);
// `kanaStep(at, out)` writes the katakana at `at` and returns the bytes it
// took (a mark merged into it makes two). Writes up to WriteSlack bytes
// past its output.
template <bool escapes, class KanaStep>
std::size_t SjisChunks(const Input& in, std::size_t i, std::size_t stepEnd, bool& twoByte, char*& output,
                       Byte pairHigh, KanaStep kanaStep)
{
    alignas(16) Byte scratch[SjisChunkBytes + WriteSlack];
    SjisWordMasks masks[SjisChunkWords];
    char* out = output;
    std::uint64_t mode = twoByte;
    // Mode changes alternate, so the escape due next is known without
    // looking at the mode; the two differ in their second byte only.
    constexpr std::uint32_t leaveEscape = Esc | '(' << 8 | 'B' << 16;
    constexpr std::uint32_t enterEscape = Esc | '$' << 8 | 'B' << 16;
    std::uint32_t nextEscape = twoByte ? leaveEscape : enterEscape;
    while (i + 64 + SjisChunkReadAhead <= stepEnd) {
        const Byte* chunk = in.bytes + i;
        const std::size_t words = std::min(SjisChunkWords, (stepEnd - i - SjisChunkReadAhead) / 64);
        const std::size_t chunkBytes = 64 * words;
        std::uint64_t trailIn = 0;
        for (std::size_t w = 0; w < words; ++w)
            trailIn = ConvertSjisWord(chunk + 64 * w, scratch + 64 * w, trailIn, pairHigh, masks[w]);

        std::size_t done = 0; // bytes of the chunk written
        for (std::size_t w = 0; w < words; ++w) {
            const std::uint64_t twoByteBytes = masks[w].twoByte;
            const std::uint64_t changes = escapes ? twoByteBytes ^ ((twoByteBytes << 1) | mode) : 0;
            mode = twoByteBytes >> 63;
            for (std::uint64_t events = changes | masks[w].kana; events; events &= events - 1) {
                const std::uint64_t event = events & (0 - events);
                const std::size_t at = 64 * w + std::size_t(std::countr_zero(events));
                if (at < done)
                    continue; // a mark merged into the katakana before it
                CopyStretch(scratch + done, at - done, out);
                done = at;
                if (escapes) {
                    const bool change = (changes & event) != 0;
                    std::memcpy(out, &nextEscape, 4); // little-endian: SSE2 is x86
                    out += change ? 3 : 0;
                    nextEscape ^= change ? (leaveEscape ^ enterEscape) : 0;
                }
                if (masks[w].kana & event)
                    done += kanaStep(chunk + at, out);
            }
        }
        if (done < chunkBytes) {
            CopyStretch(scratch + done, chunkBytes - done, out);
            done = chunkBytes;
        }
        if (trailIn) { // the chunk ends on a lead: its trail, by the same arithmetic
            *out++ = char(SjisToJisTable.trailColumn[chunk[chunkBytes]] | pairHigh);
            ++done;
        }
        i += done;
    }
    twoByte = mode != 0;
    output = out;
    return i;
}

#endif

} // namespace jconvert
