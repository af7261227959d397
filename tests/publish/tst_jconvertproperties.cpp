// Properties of the converters on seeded random text, and a cross-check of
// their output against the C library's own iconv converters.
#include "publish/Jconvert.h"

#include <QTest>

#include <iconv.h>

#include <optional>
#include <random>
#include <string>
#include <vector>

namespace {

using Byte = unsigned char;
struct JisCell {
    Byte row, column; // 0x21-0x7E each
};

QByteArray Bytes(const std::string& s)
{
    return QByteArray(s.data(), qsizetype(s.size()));
}

// Converts with iconv(3); nothing when the input does not convert cleanly.
std::optional<std::string> Iconv(const char* to, const char* from, std::string_view in)
{
    iconv_t cd = iconv_open(to, from);
    if (cd == iconv_t(-1))
        return std::nullopt;
    std::string out(in.size() * 4 + 16, '\0');
    char* inPtr = const_cast<char*>(in.data());
    std::size_t inLeft = in.size();
    char* outPtr = out.data();
    std::size_t outLeft = out.size();
    const std::size_t done = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
    const std::size_t flushed = iconv(cd, nullptr, nullptr, &outPtr, &outLeft);
    iconv_close(cd);
    if (done == std::size_t(-1) || flushed == std::size_t(-1) || inLeft != 0)
        return std::nullopt;
    out.resize(out.size() - outLeft);
    return out;
}

std::string SjisOf(JisCell cell)
{
    return ToSjis(cell.row, cell.column);
}

// Every cell of JIS X 0208 rows 1-84: the pair arithmetic must round-trip
// for all of them, defined characters or not.
std::vector<JisCell> AllCells()
{
    std::vector<JisCell> cells;
    for (int row = 0x21; row <= 0x74; ++row)
        for (int column = 0x21; column <= 0x7E; ++column)
            cells.push_back({Byte(row), Byte(column)});
    return cells;
}

// The cells that hold a character in both code page 932 and glibc's
// EUC-JP, leaving out row 13 (the code page's own symbols, not JIS X 0208).
std::vector<JisCell> DefinedCells()
{
    std::vector<JisCell> cells;
    for (JisCell cell : AllCells()) {
        if (cell.row == 0x2D)
            continue;
        const std::string euc = {char(cell.row | 0x80), char(cell.column | 0x80)};
        if (Iconv("UTF-8", "CP932", SjisOf(cell)) && Iconv("UTF-8", "EUC-JP", euc))
            cells.push_back(cell);
    }
    return cells;
}

// Random Shift_JIS text: printable ASCII, tabs and CR LF line breaks, JIS X
// 0208 characters from `cells`, and half-width katakana when asked for.
// std::mt19937 is fully specified, so the texts are the same everywhere.
std::string RandomSjis(std::mt19937& random, const std::vector<JisCell>& cells, bool hankaku)
{
    const std::size_t length = random() % 300;
    std::string text;
    for (std::size_t i = 0; i < length; ++i) {
        switch (random() % (hankaku ? 8 : 7)) {
        case 0: text += "\r\n"; break;
        case 1: text += '\t'; break;
        case 2:
        case 3: text += char(0x20 + random() % 0x5F); break;
        case 7: text += char(0xA1 + random() % 0x3F); break;
        default: text += SjisOf(cells[random() % cells.size()]); break;
        }
    }
    return text;
}

// Code page 932 and JIS X 0208 as glibc maps them disagree on a few
// symbols (the wave dash among them); folds them to one form before
// comparing. The one-byte part is ASCII on both sides: 0x5C and 0x7E are
// compared as they are, never folded from the yen sign and the overline.
std::string FoldMappingDifferences(std::string utf8)
{
    static const std::pair<std::string, std::string> folds[] = {
        {"\uFF5E", "\u301C"}, {"\u2225", "\u2016"}, {"\uFF0D", "\u2212"},
        {"\uFFE0", "\u00A2"}, {"\uFFE1", "\u00A3"}, {"\uFFE2", "\u00AC"},
    };
    for (const auto& [from, to] : folds)
        for (std::size_t at = utf8.find(from); at != std::string::npos; at = utf8.find(from, at + to.size()))
            utf8.replace(at, from.size(), to);
    return utf8;
}

constexpr int TextCount = 300;

} // namespace

class TestJconvertProperties : public QObject {
    Q_OBJECT

private slots:
    void convertersAgreeWithPairArithmeticOnEveryPair();
    void sjisRoundTripsThroughJisAndEuc();
    void eucRoundTripsThroughJis();
    void iconvDecodesOurJisAndEucAsCp932();
    void weDecodeIconvJisAndEuc();
};

// The converters' inner loops must give what ToJis and ToSjis give, for
// every pair of bytes, valid or not: alone, and in runs long enough for the
// loops that convert several pairs at once.
void TestJconvertProperties::convertersAgreeWithPairArithmeticOnEveryPair()
{
    for (int first = 0x80; first <= 0xFF; ++first) {
        if (first >= 0xA1 && first <= 0xDF)
            continue; // a half-width katakana, not a pair
        std::string run, jisRun, eucRun;
        for (int second = 0; second <= 0xFF; ++second) {
            const std::string pair = {char(first), char(second)};
            std::string jis = ToJis(static_cast<unsigned char>(first), static_cast<unsigned char>(second));
            QCOMPARE(Bytes(sjis2jis83(pair)), Bytes("\x1b$B" + jis + "\x1b(B"));
            run += pair;
            jisRun += jis;
            jis[0] = char(jis[0] | 0x80), jis[1] = char(jis[1] | 0x80);
            QCOMPARE(Bytes(sjis2euc(pair)), Bytes(jis));
            eucRun += jis;
            if (first > 0x80 && first < 0xFF && first != 0x8E)
                QCOMPARE(Bytes(euc2sjis(pair)), Bytes(ToSjis(first & 0x7F, second & 0x7F)));
        }
        QCOMPARE(Bytes(sjis2jis83(run)), Bytes("\x1b$B" + jisRun + "\x1b(B"));
        QCOMPARE(Bytes(sjis2euc(run)), Bytes(eucRun));
    }
}

void TestJconvertProperties::sjisRoundTripsThroughJisAndEuc()
{
    std::mt19937 random(20261208);
    const std::vector<JisCell> cells = AllCells();
    for (int n = 0; n < TextCount; ++n) {
        const std::string sjis = RandomSjis(random, cells, false);
        QCOMPARE(Bytes(jis2sjis(sjis2jis83(sjis))), Bytes(sjis));
        QCOMPARE(Bytes(euc2sjis(sjis2euc(sjis))), Bytes(sjis));
        const std::string withHankaku = RandomSjis(random, cells, true);
        QCOMPARE(Bytes(euc2sjis(sjis2euc(withHankaku))), Bytes(withHankaku));
    }
}

void TestJconvertProperties::eucRoundTripsThroughJis()
{
    std::mt19937 random(42);
    const std::vector<JisCell> cells = AllCells();
    for (int n = 0; n < TextCount; ++n) {
        const std::string euc = sjis2euc(RandomSjis(random, cells, false));
        QCOMPARE(Bytes(jis2euc(euc2jis83(euc))), Bytes(euc));
    }
}

void TestJconvertProperties::iconvDecodesOurJisAndEucAsCp932()
{
    std::mt19937 random(7);
    const std::vector<JisCell> cells = DefinedCells();
    QVERIFY(cells.size() > 6000);
    for (int n = 0; n < TextCount; ++n) {
        const std::string sjis = RandomSjis(random, cells, false);
        const std::optional<std::string> expected = Iconv("UTF-8", "CP932", sjis);
        const std::optional<std::string> fromJis = Iconv("UTF-8", "ISO-2022-JP", sjis2jis83(sjis));
        const std::optional<std::string> fromEuc = Iconv("UTF-8", "EUC-JP", sjis2euc(sjis));
        QVERIFY(expected && fromJis && fromEuc);
        QCOMPARE(Bytes(FoldMappingDifferences(*fromJis)), Bytes(FoldMappingDifferences(*expected)));
        QCOMPARE(Bytes(FoldMappingDifferences(*fromEuc)), Bytes(FoldMappingDifferences(*expected)));
    }
}

// iconv's ISO-2022-JP and EUC-JP of the same text convert back to it, and
// iconv writes the very ISO-2022-JP bytes we write, escapes included.
void TestJconvertProperties::weDecodeIconvJisAndEuc()
{
    std::mt19937 random(1468);
    const std::vector<JisCell> cells = DefinedCells();
    for (int n = 0; n < TextCount; ++n) {
        const std::string sjis = RandomSjis(random, cells, false);
        const std::optional<std::string> utf8 = Iconv("UTF-8", "CP932", sjis);
        QVERIFY(utf8);
        const std::string jisUnicode = FoldMappingDifferences(*utf8);
        const std::optional<std::string> jis = Iconv("ISO-2022-JP", "UTF-8", jisUnicode);
        const std::optional<std::string> euc = Iconv("EUC-JP", "UTF-8", jisUnicode);
        QVERIFY(jis && euc);
        QCOMPARE(Bytes(sjis2jis83(sjis)), Bytes(*jis));
        QCOMPARE(Bytes(jis2sjis(*jis)), Bytes(sjis));
        QCOMPARE(Bytes(euc2sjis(*euc)), Bytes(sjis));
    }
}

QTEST_APPLESS_MAIN(TestJconvertProperties)
#include "tst_jconvertproperties.moc"
