#include "document/TextCodec.h"

#include <QStringDecoder>
#include <QStringEncoder>
#include <QtGlobal>

#include <array>
#include <cstdint>
#include <memory>

// Code page 932 as the model holds it, byte sequence <-> code point:
//   0x00-0x7F          U+0000-U+007F, every control byte included
//   0xA1-0xDF          U+FF61-U+FF9F (half-width katakana)
//   lead l, trail t    the character that ICU's "windows-31j" decodes the
//                      pair to, when ICU encodes that character back to l t
//   anything else      a private-use stand-in for its bytes:
//                        pair l t            U+F0000 + (l << 8 | t)
//                        lone byte b >= 0x80 U+F0000 + b
// where a lead is 0x81-0x9F or 0xE0-0xFC and a trail 0x40-0x7E or
// 0x80-0xFC. The stand-ins cover what ICU alone would lose: unassigned
// pairs and stray bytes (it writes U+001A or U+FFFD, or drops a lead at the
// end), the duplicate codes of NEC's and IBM's extensions (ICU encodes their
// characters to the other code) and the control bytes 0x1A, 0x1C and 0x7F
// (it swaps them). Every byte string thus decodes to text that encodes back
// to the same bytes.
namespace TextCodec {
namespace {

constexpr char CodePageName[] = "windows-31j";
constexpr char32_t StandInBase = 0xF0000;

constexpr bool IsTrailByte(unsigned char c) { return c >= 0x40 && c <= 0xFC && c != 0x7F; }
constexpr bool IsHalfWidthKatakana(unsigned char c) { return c >= 0xA1 && c <= 0xDF; }
constexpr char16_t HalfWidthKatakanaBase = 0xFF61; // of 0xA1

struct Tables {
    std::array<char16_t, 0x10000> pairToChar{};      // by lead << 8 | trail; 0: a stand-in
    std::array<std::uint16_t, 0x10000> charToPair{}; // by BMP code unit; 0: no pair
};

// Asks ICU once for every lead/trail pair and keeps the pairs whose
// character comes back as the same pair.
std::unique_ptr<Tables> BuildTables()
{
    auto tables = std::make_unique<Tables>();
    QStringDecoder decoder(CodePageName, QStringConverter::Flag::Stateless);
    QStringEncoder encoder(CodePageName, QStringConverter::Flag::Stateless);
    if (!decoder.isValid() || !encoder.isValid())
        qWarning("Qt has no \"%s\" converter: double-byte characters show as private-use stand-ins", CodePageName);
    for (int lead = 0x81; lead <= 0xFC; ++lead) {
        if (!IsSjisLeadByte(static_cast<unsigned char>(lead)))
            continue;
        for (int trail = 0x40; trail <= 0xFC; ++trail) {
            if (!IsTrailByte(static_cast<unsigned char>(trail)))
                continue;
            const char pair[2] = {char(lead), char(trail)};
            decoder.resetState();
            const QString text = decoder(QByteArrayView(pair, 2));
            if (text.size() != 1 || text[0].unicode() < 0x80 || text[0] == QChar::ReplacementCharacter
                || text[0].isSurrogate())
                continue;
            encoder.resetState();
            const QByteArray back = encoder(text);
            if (encoder.hasError() || back != QByteArrayView(pair, 2))
                continue;
            const std::uint16_t code = std::uint16_t(lead << 8 | trail);
            tables->pairToChar[code] = text[0].unicode();
            tables->charToPair[text[0].unicode()] = code;
        }
    }
    return tables;
}

const Tables& Cp932()
{
    static const std::unique_ptr<Tables> tables = BuildTables();
    return *tables;
}

bool IsAscii(SjisView bytes)
{
    for (const char c : bytes)
        if (static_cast<unsigned char>(c) >= 0x80)
            return false;
    return true;
}

// Appends the bytes of one code point; false when code page 932 has none.
bool EncodeOne(char32_t code, SjisString& out)
{
    if (code < 0x80) {
        out += char(code);
        return true;
    }
    if (code >= HalfWidthKatakanaBase && code <= HalfWidthKatakanaBase + (0xDF - 0xA1)) {
        out += char(0xA1 + (code - HalfWidthKatakanaBase));
        return true;
    }
    if (code < 0x10000) {
        const std::uint16_t pair = Cp932().charToPair[code];
        if (pair == 0)
            return false;
        out += char(pair >> 8);
        out += char(pair & 0xFF);
        return true;
    }
    if (code < StandInBase || code > StandInBase + 0xFFFF)
        return false;
    const std::uint16_t bytes = std::uint16_t(code - StandInBase);
    const auto high = static_cast<unsigned char>(bytes >> 8);
    const auto low = static_cast<unsigned char>(bytes & 0xFF);
    if (high == 0 && low >= 0x80) {
        out += char(low);
        return true;
    }
    if (IsSjisLeadByte(high) && IsTrailByte(low)) {
        out += char(high);
        out += char(low);
        return true;
    }
    return false;
}

// Encodes code point by code point; `onUnencodable` gets each character
// (one or two UTF-16 units) that has no code. Returns false if one had none.
template <typename OnUnencodable>
bool Encode(QStringView text, SjisString& out, OnUnencodable onUnencodable)
{
    bool complete = true;
    out.reserve(out.size() + size_t(text.size()) * 2);
    for (qsizetype i = 0; i < text.size();) {
        const bool pair = text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate();
        const qsizetype n = pair ? 2 : 1;
        const char32_t code = pair ? QChar::surrogateToUcs4(text[i], text[i + 1]) : text[i].unicode();
        if (!EncodeOne(code, out)) { // lone surrogates included: the table holds none
            complete = false;
            onUnencodable(out, text.mid(i, n), code);
        }
        i += n;
    }
    return complete;
}

} // namespace

QString ToUnicode(SjisView sjis)
{
    if (IsAscii(sjis))
        return QString::fromLatin1(sjis.data(), qsizetype(sjis.size()));
    const Tables& tables = Cp932();
    // Written in place, as appending one character at a time was most of
    // the cost of decoding a large page. A byte gives one UTF-16 unit, a
    // pair one or two; only a stray byte's stand-in (two units, beyond the
    // BMP) can outgrow the bytes' count, and then the text grows.
    QString out(qsizetype(sjis.size()) + 1, Qt::Uninitialized);
    char16_t* begin = reinterpret_cast<char16_t*>(out.data());
    char16_t* to = begin;
    const auto standIn = [&to](char32_t code) {
        *to++ = QChar::highSurrogate(code);
        *to++ = QChar::lowSurrogate(code);
    };
    for (size_t i = 0; i < sjis.size();) {
        if (to + 2 > begin + out.size()) { // room for the widest step
            const qsizetype written = to - begin;
            out.resize(out.size() * 2);
            begin = reinterpret_cast<char16_t*>(out.data());
            to = begin + written;
        }
        const unsigned char c = static_cast<unsigned char>(sjis[i]);
        if (c < 0x80) {
            *to++ = char16_t(c);
            ++i;
        } else if (IsHalfWidthKatakana(c)) {
            *to++ = char16_t(HalfWidthKatakanaBase + (c - 0xA1));
            ++i;
        } else if (IsSjisLeadByte(c) && i + 1 < sjis.size() && IsTrailByte(static_cast<unsigned char>(sjis[i + 1]))) {
            const std::uint16_t pair = std::uint16_t(c << 8 | static_cast<unsigned char>(sjis[i + 1]));
            if (const char16_t known = tables.pairToChar[pair])
                *to++ = known;
            else
                standIn(StandInBase + pair);
            i += 2;
        } else {
            standIn(StandInBase + c);
            ++i;
        }
    }
    out.truncate(qsizetype(to - begin));
    return out;
}

std::optional<SjisString> FromUnicodeStrict(QStringView text)
{
    SjisString out;
    if (!Encode(text, out, [](SjisString&, QStringView, char32_t) {}))
        return std::nullopt;
    return out;
}

SjisString FromUnicodeWithReferences(QStringView text)
{
    SjisString out;
    Encode(text, out, [](SjisString& bytes, QStringView, char32_t code) {
        bytes += "&#x" + QString::number(uint(code), 16).toUpper().toStdString() + ";";
    });
    return out;
}

std::optional<QString> FirstUnencodable(QStringView text)
{
    std::optional<QString> first;
    SjisString ignored;
    Encode(text, ignored, [&first](SjisString&, QStringView unit, char32_t) {
        if (!first)
            first = unit.toString();
    });
    return first;
}

SjisString Sjis(const char* utf8)
{
    return FromUnicodeWithReferences(QString::fromUtf8(utf8));
}

} // namespace TextCodec
