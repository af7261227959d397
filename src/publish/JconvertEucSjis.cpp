// One JIS X 0208 character between its forms, and EUC-JP <-> Shift_JIS.
//
// EUC-JP: a JIS X 0208 character j1 j2 is (j1 | 0x80) (j2 | 0x80); a
// half-width katakana k (0xA1-0xDF) is 0x8E k.
// Shift_JIS: the pair arithmetic of JisToSjis / SjisToJis; a half-width
// katakana is the single byte k.
#include "publish/Jconvert.h"
#include "publish/JconvertBlocks.h"
#include "publish/JconvertSjisChunks.h"
#include "publish/JconvertSjisWide.h"

using namespace jconvert;

std::string ToSjis(unsigned char j1, unsigned char j2)
{
    Byte s1, s2;
    JisToSjis(j1, j2, s1, s2);
    return {char(s1), char(s2)};
}

std::string ToJis(unsigned char s1, unsigned char s2)
{
    Byte j1, j2;
    SjisToJis(s1, s2, j1, j2);
    return {char(j1), char(j2)};
}

namespace {

void NoEnd(const Input&, BlockState&, char*&) {}

// Bytes 0x81-0xFE start a pair, both bytes consumed: 0x8E k gives k alone,
// any other pair goes through the JIS arithmetic on its low seven bits. The
// three-byte form 0x8F is not recognised (0x8F starts an ordinary pair).
// 0x80, 0xFF and 7-bit bytes are copied.
std::size_t Euc2Sjis(const Input& in, std::size_t stepEnd, BlockState&, char*& out)
{
    std::size_t i = 0;
    while (i < stepEnd) {
        const Byte c = in.bytes[i];
        if (c <= 0x80 || c == 0xFF) {
            *out++ = char(c);
            ++i;
            continue;
        }
        const Byte next = in.at(i + 1);
        if (c == EucKanaPrefix) {
            *out++ = char(next);
        } else {
            Byte s1, s2;
            JisToSjis(c & 0x7F, next & 0x7F, s1, s2);
            *out++ = char(s1);
            *out++ = char(s2);
        }
        i += 2;
    }
    return i;
}

#if defined(TAV_SJIS_WIDE)

// Each input byte has two output slots: itself (0x8E for a katakana) and the
// katakana. Half h holds input bytes 32h to 32h + 31; its permute takes slot
// 2s from the first table (the bytes) and 2s + 1 from the second (the input),
// at 64 + n.
struct EucSlotIndexes {
    alignas(64) Byte half[2][64];
};
constexpr EucSlotIndexes MakeEucSlotIndexes()
{
    EucSlotIndexes t{};
    for (int h = 0; h < 2; ++h)
        for (int s = 0; s < 32; ++s) {
            t.half[h][2 * s] = Byte(32 * h + s);
            t.half[h][2 * s + 1] = Byte(64 + 32 * h + s);
        }
    return t;
}
constexpr EucSlotIndexes EucSlots = MakeEucSlotIndexes();

} // namespace

namespace jconvert {

TAV_WIDE_TARGET std::size_t SjisToEucWide(const Input& in, std::size_t i, std::size_t stepEnd, char*& output)
{
    constexpr std::uint64_t firstSlots = 0x5555555555555555ull;
    char* out = output;
    std::uint64_t trailIn = 0;
    while (i + 64 + SjisWideReadAhead <= stepEnd) {
        const SjisWideWord w = ClassifySjisWord(in.bytes + i, trailIn, 0x80);
        trailIn = w.lead >> 63;
        const __m512i first = _mm512_mask_blend_epi8(w.kana, w.converted, _mm512_set1_epi8(char(EucKanaPrefix)));
        for (int h = 0; h < 2; ++h) {
            const __m512i slots = _mm512_permutex2var_epi8(first, _mm512_load_si512(EucSlots.half[h]), w.bytes);
            WriteKeptSlots(slots, firstSlots | _pdep_u64(w.kana >> (32 * h), ~firstSlots), out);
        }
        i += 64;
    }
    if (trailIn) { // the last word ends on a lead: its trail, by the same arithmetic
        *out++ = char(SjisToJisTable.trailColumn[in.bytes[i]] | 0x80);
        ++i;
    }
    output = out;
    return i;
}

} // namespace jconvert

namespace {

#endif

// A half-width katakana k becomes 0x8E k; any other byte above 0x7F starts a
// pair that goes through the JIS arithmetic (eight at a time where the run is
// long enough, in whole chunks while the text is) and gets its high bits
// set. Works on local copies: see ToJis83.
std::size_t Sjis2Euc(const Input& input, std::size_t stepEnd, BlockState&, char*& output)
{
    const Input in = input;
    char* out = output;
    std::size_t i = 0;
    bool wide = false;
#if defined(TAV_SJIS_WIDE)
    if ((wide = SjisWideEnabled()))
        i = SjisToEucWide(in, 0, stepEnd, out);
#endif
#if defined(__SSE2__)
    bool noModes = false;
    if (!wide)
        i = SjisChunks<false>(in, 0, stepEnd, noModes, out, 0x80, [](const Byte* at, char*& to) -> std::size_t {
            to[0] = char(EucKanaPrefix);
            to[1] = char(at[0]);
            to += 2;
            return 1;
        });
#endif
    (void)wide;
    while (i < stepEnd) {
        CopySevenBitRun(in, i, stepEnd, out);
        while (i < stepEnd && in.bytes[i] > 0x7F) {
            if (i + 16 <= stepEnd) {
                if (const std::size_t pairs = SjisPairsToJis(in.bytes + i, out, 0x80)) {
                    out += 2 * pairs;
                    i += 2 * pairs;
                    continue;
                }
            }
            const Byte c = in.bytes[i];
            if (!IsHankaku(c)) {
                Byte j1, j2;
                SjisToJisByTable(c, in.at(i + 1), j1, j2);
                out[0] = char(j1 | 0x80);
                out[1] = char(j2 | 0x80);
                out += 2;
                i += 2;
            } else {
                out[0] = char(EucKanaPrefix);
                out[1] = char(c);
                out += 2;
                i += 1;
            }
        }
    }
    output = out;
    return i;
}

} // namespace

namespace jconvert {

// Only a pair cut short by the end grows (one byte to two).
const BlockConverter Euc2SjisBlocks = {Euc2Sjis, NoEnd, 1, 1,
                                       [](const Input& in, const BlockState&) { return in.size + 1; }};
const BlockConverter Sjis2EucBlocks = {Sjis2Euc, NoEnd, 1, 2,
                                       [](const Input& in, const BlockState&) { return HighByteBound(in); }};

} // namespace jconvert

std::string euc2sjis(std::string_view text)
{
    return ConvertWhole(Euc2SjisBlocks, text);
}

std::string sjis2euc(std::string_view text)
{
    return ConvertWhole(Sjis2EucBlocks, text);
}
