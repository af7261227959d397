// EUC-JP and Shift_JIS -> ISO-2022-JP.
//
// 7-bit bytes are copied in one-byte mode; every other character is written
// in two-byte mode as JIS X 0208 (EUC-JP: its bytes & 0x7F; Shift_JIS: by
// SjisToJis). ESC $ B is written before the first two-byte character of a
// run and ESC ( B before the 7-bit byte that ends it (CR and LF included)
// and at the end of the text, so the output always ends in one-byte mode.
// Half-width katakana, which ISO-2022-JP cannot hold, become full-width.
#include "publish/Jconvert.h"
#include "publish/JconvertBlocks.h"
#include "publish/JconvertSjisChunks.h"
#include "publish/JconvertSjisWide.h"

using namespace jconvert;

namespace {

// Full-width JIS X 0208 column byte of each half-width katakana 0xA1-0xDF.
// Its row byte is 0x21 (symbols) for 0xA1-0xA5, 0xB0, 0xDE, 0xDF and 0x25
// (katakana) for the rest.
constexpr Byte KanaColumn[0xDF - 0xA1 + 1] = {
    0x23, 0x56, 0x57, 0x22, 0x26, 0x72, 0x21, 0x23, 0x25, 0x27, 0x29, 0x63, 0x65, 0x67, 0x43, 0x3C, //
    0x22, 0x24, 0x26, 0x28, 0x2A, 0x2B, 0x2D, 0x2F, 0x31, 0x33, 0x35, 0x37, 0x39, 0x3B, 0x3D, 0x3F, //
    0x41, 0x44, 0x46, 0x48, 0x4A, 0x4B, 0x4C, 0x4D, 0x4E, 0x4F, 0x52, 0x55, 0x58, 0x5B, 0x5E, 0x5F, //
    0x60, 0x61, 0x62, 0x64, 0x66, 0x68, 0x69, 0x6A, 0x6B, 0x6C, 0x6D, 0x6F, 0x73, 0x2B, 0x2C};

constexpr Byte KanaRow(Byte k)
{
    return (k <= 0xA5 || k == 0xB0 || k >= VoicedMark) ? 0x21 : 0x25;
}

// Writes the full-width form of half-width katakana k to out[0], out[1].
// `mark` is the half-width character after it (0 when there is none); returns
// true when the mark was merged into the character:
//   ka-to (0xB6-0xC4), ha-ho (0xCA-0xCE) + voiced mark: column + 1 (ka -> ga)
//   u (0xB3) + voiced mark: column 0x74 (vu)
//   ha-ho (0xCA-0xCE) + semi-voiced mark: column + 2 (ha -> pa)
// Any other mark is left for the next step, which writes it on its own.
bool WriteKana(Byte k, Byte mark, char* out)
{
    Byte column = KanaColumn[k - 0xA1];
    bool merged = false;
    const bool haHiFuHeHo = k >= 0xCA && k <= 0xCE;
    if (mark == VoicedMark) {
        if ((k >= 0xB6 && k <= 0xC4) || haHiFuHeHo) {
            column += 1;
            merged = true;
        } else if (k == 0xB3) {
            column = 0x74;
            merged = true;
        }
    } else if (mark == SemiVoicedMark && haHiFuHeHo) {
        column += 2;
        merged = true;
    }
    out[0] = char(KanaRow(k));
    out[1] = char(column);
    return merged;
}

#if defined(TAV_SJIS_WIDE)

// KanaRow and KanaColumn by the katakana's distance from 0xA1, for a
// 64-byte permute.
struct WideKanaTables {
    alignas(64) Byte row[64];
    alignas(64) Byte column[64];
};
constexpr WideKanaTables MakeWideKanaTables()
{
    WideKanaTables t{};
    for (int k = 0xA1; k <= 0xDF; ++k) {
        t.row[k - 0xA1] = KanaRow(Byte(k));
        t.column[k - 0xA1] = KanaColumn[k - 0xA1];
    }
    return t;
}
constexpr WideKanaTables WideKana = MakeWideKanaTables();

// Each input byte has five output slots, one after the other: 0-2 for an
// escape before it, 3 for itself (a katakana's row byte), 4 for a katakana's
// column byte. The 320 slots of a word are five vectors; slot n of vector v
// is slot (64v + n) % 5 of input byte (64v + n) / 5. Per vector:
//   source:  the permute index of what fills the slot, the converted byte
//            (first table) or the column (second table, at 64 + byte);
//   byte:    the input byte it belongs to;
//   kind:    the bit of the byte's slot code that keeps the slot;
//   mode:    the code bit that makes an escape's second byte '$';
//   escape:  the escape's constant bytes, in the escape slots (`escapeSlots`).
struct WideSlotTables {
    alignas(64) Byte source[5][64];
    alignas(64) Byte byte[5][64];
    alignas(64) Byte kind[5][64];
    alignas(64) Byte mode[5][64];
    alignas(64) Byte escape[5][64];
    std::uint64_t escapeSlots[5];
};
// A byte's slot code: bits 0-2 an escape before it, 3 itself, 4 a column
// byte; bit 5 its mode is two-byte.
constexpr Byte KeepsEscape = 7, KeepsItself = 8, KeepsColumn = 16, IsTwoByte = 32;
constexpr WideSlotTables MakeWideSlotTables()
{
    WideSlotTables t{};
    constexpr Byte escape[3] = {Esc, '(', 'B'};
    for (int v = 0; v < 5; ++v)
        for (int n = 0; n < 64; ++n) {
            const int byte = (64 * v + n) / 5, slot = (64 * v + n) % 5;
            t.byte[v][n] = Byte(byte);
            t.kind[v][n] = Byte(1 << slot);
            t.source[v][n] = Byte(slot == 4 ? 64 + byte : byte);
            if (slot < 3) {
                t.escape[v][n] = escape[slot];
                t.escapeSlots[v] |= std::uint64_t(1) << n;
            }
            t.mode[v][n] = slot == 1 ? IsTwoByte : 0;
        }
    return t;
}
constexpr WideSlotTables WideSlots = MakeWideSlotTables();

} // namespace

namespace jconvert {

// WriteKana, on every katakana of the word at once. A mark merged into the
// katakana before it keeps none of its slots; as the mark is itself a
// katakana, it is never a trail or a mode change.
TAV_WIDE_TARGET std::size_t SjisToJisWide(const Input& in, std::size_t i, std::size_t stepEnd, bool& twoByte,
                                          char*& output)
{
    const __m512i rowTable = _mm512_load_si512(WideKana.row);
    const __m512i columnTable = _mm512_load_si512(WideKana.column);
    char* out = output;
    std::uint64_t mode = twoByte, trailIn = 0, markIn = 0;
    while (i + 64 + SjisWideReadAhead <= stepEnd) {
        const Byte* at = in.bytes + i;
        const SjisWideWord w = ClassifySjisWord(at, trailIn, 0);
        trailIn = w.lead >> 63;
        const __m512i b = w.bytes;
        const __m512i next = _mm512_loadu_si512(at + 1);
        const __m512i fromA1 = _mm512_sub_epi8(b, _mm512_set1_epi8(char(0xA1)));
        const __m512i row = _mm512_maskz_permutexvar_epi8(w.kana, fromA1, rowTable);
        __m512i column = _mm512_maskz_permutexvar_epi8(w.kana, fromA1, columnTable);
        const std::uint64_t voicedNext = _mm512_cmpeq_epi8_mask(next, _mm512_set1_epi8(char(VoicedMark))) & w.kana;
        const std::uint64_t semiVoicedNext =
            _mm512_cmpeq_epi8_mask(next, _mm512_set1_epi8(char(SemiVoicedMark))) & w.kana;
        const std::uint64_t haToHo =
            _mm512_cmple_epu8_mask(_mm512_sub_epi8(b, _mm512_set1_epi8(char(0xCA))), _mm512_set1_epi8(0xCE - 0xCA));
        const std::uint64_t kaToTo =
            _mm512_cmple_epu8_mask(_mm512_sub_epi8(b, _mm512_set1_epi8(char(0xB6))), _mm512_set1_epi8(0xC4 - 0xB6));
        const std::uint64_t vu = voicedNext & _mm512_cmpeq_epi8_mask(b, _mm512_set1_epi8(char(0xB3)));
        const std::uint64_t plusOne = voicedNext & (kaToTo | haToHo);
        const std::uint64_t plusTwo = semiVoicedNext & haToHo;
        column = _mm512_mask_add_epi8(column, plusOne, column, _mm512_set1_epi8(1));
        column = _mm512_mask_add_epi8(column, plusTwo, column, _mm512_set1_epi8(2));
        column = _mm512_mask_mov_epi8(column, vu, _mm512_set1_epi8(0x74));
        const std::uint64_t merging = plusOne | plusTwo | vu;
        const std::uint64_t merged = (merging << 1) | markIn;
        markIn = merging >> 63;
        const std::uint64_t fullWidth = w.kana & ~merged;
        const __m512i first = _mm512_mask_blend_epi8(fullWidth, w.converted, row);

        const std::uint64_t twoByteBytes = w.high | w.trail;
        const std::uint64_t changes = twoByteBytes ^ ((twoByteBytes << 1) | mode);
        mode = twoByteBytes >> 63;
        __m512i code = _mm512_maskz_mov_epi8(changes, _mm512_set1_epi8(KeepsEscape));
        code = _mm512_or_si512(code, _mm512_maskz_mov_epi8(~merged, _mm512_set1_epi8(KeepsItself)));
        code = _mm512_or_si512(code, _mm512_maskz_mov_epi8(fullWidth, _mm512_set1_epi8(KeepsColumn)));
        code = _mm512_or_si512(code, _mm512_maskz_mov_epi8(twoByteBytes, _mm512_set1_epi8(IsTwoByte)));
        for (int v = 0; v < 5; ++v) {
            // Masked, as GCC 12 warns about the unmasked form's undefined source.
            const __m512i slotCodes = _mm512_maskz_permutexvar_epi8(~0ull, _mm512_load_si512(WideSlots.byte[v]), code);
            const std::uint64_t kept = _mm512_test_epi8_mask(slotCodes, _mm512_load_si512(WideSlots.kind[v]));
            const std::uint64_t entering = _mm512_test_epi8_mask(slotCodes, _mm512_load_si512(WideSlots.mode[v]));
            __m512i slots = _mm512_permutex2var_epi8(first, _mm512_load_si512(WideSlots.source[v]), column);
            slots = _mm512_mask_mov_epi8(slots, WideSlots.escapeSlots[v], _mm512_load_si512(WideSlots.escape[v]));
            slots = _mm512_mask_mov_epi8(slots, entering, _mm512_set1_epi8('$'));
            WriteKeptSlots(slots, kept, out);
        }
        i += 64;
    }
    if (trailIn) { // the last word ends on a lead: its trail, by the same arithmetic
        *out++ = char(SjisToJisTable.trailColumn[in.bytes[i]]);
        ++i;
    } else if (markIn) { // on a katakana that took the mark after it
        ++i;
    }
    twoByte = mode != 0;
    output = out;
    return i;
}

} // namespace jconvert

namespace {

#endif

// The common frame: one-byte runs copied, mode escapes. `highStep` converts
// the character starting with the 8-bit byte at `i` (or more than one, all
// starting before `stepEnd`) and returns how many bytes it used. The mode carries over to the next block; the closing
// escape is EndJis83's. The loop works on local copies of the input, the
// output pointer and the mode: stores of output bytes could otherwise alias
// them and force a reload after every byte.
template <class HighStep>
std::size_t ToJis83(const Input input, std::size_t stepEnd, BlockState& state, char*& output, HighStep highStep)
{
    const Input in = input;
    char* out = output;
    bool twoByte = state.twoByte;
    std::size_t i = 0;
    while (i < stepEnd) {
        if (in.bytes[i] < 0x80) {
            if (twoByte) {
                out = WriteLeaveTwoByte(out);
                twoByte = false;
            }
            CopySevenBitRun(in, i, stepEnd, out);
        } else {
            if (!twoByte) {
                out = WriteEnterTwoByte(out);
                twoByte = true;
            }
            while (i < stepEnd && in.bytes[i] > 0x7F)
                i += highStep(in, i, stepEnd, out);
        }
    }
    state.twoByte = twoByte;
    output = out;
    return i;
}

// 0x8E k is a half-width katakana (a following mark, 0x8E 0xDE or 0x8E 0xDF,
// may merge into it); every other 8-bit byte starts a pair written as its
// low seven bits. After 0x8E, a byte that is no half-width katakana makes the two an
// ordinary pair, so that nothing is read outside the katakana table.
std::size_t Euc2Jis83(const Input& in, std::size_t stepEnd, BlockState& state, char*& out)
{
    return ToJis83(in, stepEnd, state, out, [](const Input& text, std::size_t pos, std::size_t, char*& to) -> std::size_t {
        const Byte c = text.bytes[pos];
        const Byte next = text.at(pos + 1);
        if (c == EucKanaPrefix && IsHankaku(next)) {
            const Byte mark = text.at(pos + 2) == EucKanaPrefix ? text.at(pos + 3) : 0;
            const bool merged = WriteKana(next, mark, to);
            to += 2;
            return merged ? 4 : 2;
        }
        *to++ = char(c & 0x7F);
        *to++ = char(next & 0x7F);
        return 2;
    });
}

// A byte 0xA1-0xDF is a half-width katakana (a following mark, 0xDE or
// 0xDF, may merge into it); every other 8-bit byte starts a pair converted
// by SjisToJis: in whole chunks while the text is long enough, then
// character by character (eight pairs at a time where a run is long enough).
std::size_t Sjis2Jis83(const Input& in, std::size_t stepEnd, BlockState& state, char*& out)
{
    std::size_t i = 0;
    bool wide = false;
#if defined(TAV_SJIS_WIDE)
    if ((wide = SjisWideEnabled()))
        i = SjisToJisWide(in, 0, stepEnd, state.twoByte, out);
#endif
#if defined(__SSE2__)
    if (!wide)
        i = SjisChunks<true>(in, 0, stepEnd, state.twoByte, out, 0, [](const Byte* at, char*& to) -> std::size_t {
            const bool merged = WriteKana(at[0], at[1], to);
            to += 2;
            return merged ? 2 : 1;
        });
#endif
    (void)wide;
    const Input rest(std::string_view(reinterpret_cast<const char*>(in.bytes) + i, in.size - i));
    return i + ToJis83(rest, stepEnd - i, state, out, [](const Input& text, std::size_t pos, std::size_t end, char*& to) -> std::size_t {
        if (pos + 16 <= end) {
            if (const std::size_t pairs = SjisPairsToJis(text.bytes + pos, to, 0)) {
                to += 2 * pairs;
                return 2 * pairs;
            }
        }
        const Byte c = text.bytes[pos];
        if (IsHankaku(c)) {
            const bool merged = WriteKana(c, text.at(pos + 1), to);
            to += 2;
            return merged ? 2 : 1;
        }
        Byte j1, j2;
        SjisToJisByTable(c, text.at(pos + 1), j1, j2);
        to[0] = char(j1);
        to[1] = char(j2);
        to += 2;
        return 2;
    });
}

// The output always ends in one-byte mode.
void EndJis83(const Input&, BlockState& state, char*& out)
{
    if (state.twoByte) {
        out = WriteLeaveTwoByte(out);
        state.twoByte = false;
    }
}

std::size_t ToJisBound(const Input& in, const BlockState&)
{
    return JisOutputBound(in);
}

} // namespace

namespace jconvert {

// Look-ahead: a katakana and the mark after it, in EUC-JP two bytes each.
// Growth: a 7-bit byte after two-byte text costs an escape and itself, a
// half-width katakana after one-byte text an escape and two bytes.
const BlockConverter Euc2Jis83Blocks = {Euc2Jis83, EndJis83, 3, 4, ToJisBound};
const BlockConverter Sjis2Jis83Blocks = {Sjis2Jis83, EndJis83, 1, 5, ToJisBound};

} // namespace jconvert

std::string euc2jis83(std::string_view text)
{
    return ConvertWhole(Euc2Jis83Blocks, text);
}

std::string sjis2jis83(std::string_view text)
{
    return ConvertWhole(Sjis2Jis83Blocks, text);
}
