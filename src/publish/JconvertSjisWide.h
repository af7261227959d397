#pragma once

// Shift_JIS -> ISO-2022-JP / EUC-JP 64 bytes at a time on processors with
// AVX-512 (BW, VBMI, VBMI2), chosen at run time; the SSE2 chunks remain for
// the others. One pass, all in registers: each 64 input bytes are classified
// and converted as in JconvertSjisChunks.h, then every input byte is laid
// out in a few output slots (an escape, its converted byte, the second byte
// of a katakana) and the slots it does not use are squeezed out with one
// compress per group of input bytes. No branch depends on the text, which
// switches between ASCII, pairs and katakana every few characters.
//
// Only the functions below carry the target attribute, so that nothing
// compiled for AVX-512 can be picked up by a caller on another processor.

#include "publish/JconvertBytes.h"

#if defined(__GNUC__) && defined(__x86_64__)
#define TAV_SJIS_WIDE 1
#include <immintrin.h>
#define TAV_WIDE_TARGET __attribute__((target("avx512f,avx512bw,avx512vbmi,avx512vbmi2,bmi,bmi2,popcnt")))
#endif

namespace jconvert {

// True when the processor has the instructions and SetSjisWide has not
// turned them off.
bool SjisWideEnabled();
// For tests, to run the SSE2 chunks on a processor that has AVX-512;
// turning it on has no effect where the processor lacks it.
void SetSjisWide(bool on);

#if defined(TAV_SJIS_WIDE)

// A word read past its end: the trail of a pair on its last byte, the mark
// after a katakana there (by a 64-byte load one byte on).
inline constexpr std::size_t SjisWideReadAhead = 1;

// 64 input bytes, classified and converted; bit n of a mask is byte n.
struct SjisWideWord {
    __m512i bytes;     // as read
    __m512i converted; // pairs converted by SjisToJis (or-ed with pairHigh), the rest as read
    std::uint64_t high, trail, lead, kana;
};

// `trailIn` is 1 when byte 0 trails a pair begun before.
TAV_WIDE_TARGET inline SjisWideWord ClassifySjisWord(const Byte* in, std::uint64_t trailIn, Byte pairHigh)
{
    SjisWideWord w;
    w.bytes = _mm512_loadu_si512(in);
    const __m512i next = _mm512_loadu_si512(in + 1);
    const __m512i b = w.bytes;
    w.high = _mm512_movepi8_mask(b);
    const std::uint64_t kana = _mm512_cmple_epu8_mask(_mm512_sub_epi8(b, _mm512_set1_epi8(char(0xA1))),
                                                      _mm512_set1_epi8(0xDF - 0xA1));
    w.lead = SjisLeads(w.high, kana, trailIn);
    w.trail = (w.lead << 1) | trailIn;
    w.kana = kana & ~w.trail;

    // As a lead: j1 = (s1 - (s1 < 0xA0 ? 0x70 : 0xB0)) * 2, less 1 when the
    // trail is below 0x9F; on 8 bits, 2 * s1 - 0x60, less 0x80 more below 0xA0.
    __m512i row = _mm512_sub_epi8(_mm512_add_epi8(b, b), _mm512_set1_epi8(0x60));
    row = _mm512_mask_sub_epi8(row, _mm512_cmplt_epu8_mask(b, _mm512_set1_epi8(char(0xA0))), row,
                               _mm512_set1_epi8(char(0x80)));
    row = _mm512_mask_sub_epi8(row, _mm512_cmplt_epu8_mask(next, _mm512_set1_epi8(char(0x9F))), row,
                               _mm512_set1_epi8(1));
    // As a trail: s1 - 0x7E, plus 0x5F (0x5E above 0x7F) below 0x9F.
    const std::uint64_t lowTrail = _mm512_cmplt_epu8_mask(b, _mm512_set1_epi8(char(0x9F)));
    __m512i column = _mm512_sub_epi8(b, _mm512_set1_epi8(0x7E));
    column = _mm512_mask_add_epi8(column, lowTrail, column, _mm512_set1_epi8(0x5F));
    column = _mm512_mask_sub_epi8(column, lowTrail & w.high, column, _mm512_set1_epi8(1));
    const __m512i high = _mm512_set1_epi8(char(pairHigh));
    w.converted = _mm512_mask_blend_epi8(w.lead, _mm512_mask_blend_epi8(w.trail, b, _mm512_or_si512(column, high)),
                                         _mm512_or_si512(row, high));
    return w;
}

// The slots that `kept` marks, packed together at `out`; writes nothing
// past them.
TAV_WIDE_TARGET inline void WriteKeptSlots(__m512i slots, std::uint64_t kept, char*& out)
{
    const unsigned count = unsigned(_mm_popcnt_u64(kept));
    _mm512_mask_storeu_epi8(out, _bzhi_u64(~0ull, count), _mm512_maskz_compress_epi8(kept, slots));
    out += count;
}

// Converts whole words from `i` while a word and its read-ahead end before
// `stepEnd`; returns where it stopped, always between characters. To
// ISO-2022-JP `twoByte` is the output's mode and katakana become full-width;
// to EUC-JP it is unused. Writes nothing past its output.
std::size_t SjisToJisWide(const Input& in, std::size_t i, std::size_t stepEnd, bool& twoByte, char*& out);
std::size_t SjisToEucWide(const Input& in, std::size_t i, std::size_t stepEnd, char*& out);

#endif

} // namespace jconvert
