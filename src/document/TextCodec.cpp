#include "document/TextCodec.h"

#include <QStringDecoder>
#include <QStringEncoder>

namespace TextCodec {
namespace {

constexpr char CodePageName[] = "windows-31j";

bool IsAscii(SjisView bytes)
{
    for (unsigned char c : bytes)
        if (c >= 0x80)
            return false;
    return true;
}

// Encodes one code point (one or two UTF-16 units); nothing if it has no code.
std::optional<QByteArray> EncodeOne(QStringView unit)
{
    QStringEncoder encoder(CodePageName);
    QByteArray bytes = encoder(unit);
    if (encoder.hasError())
        return std::nullopt;
    return bytes;
}

template <typename OnUnencodable>
SjisString Encode(QStringView text, OnUnencodable onUnencodable, bool* failed)
{
    {
        QStringEncoder encoder(CodePageName);
        QByteArray whole = encoder(text);
        if (!encoder.hasError())
            return SjisString(whole.constData(), size_t(whole.size()));
    }
    // Slow path: some character has no code; find each one.
    SjisString out;
    out.reserve(size_t(text.size()) * 2);
    for (qsizetype i = 0; i < text.size();) {
        qsizetype n = (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) ? 2 : 1;
        QStringView unit = text.mid(i, n);
        if (auto bytes = EncodeOne(unit)) {
            out.append(bytes->constData(), size_t(bytes->size()));
        } else {
            if (failed)
                *failed = true;
            onUnencodable(out, unit);
        }
        i += n;
    }
    return out;
}

} // namespace

QString ToUnicode(SjisView sjis)
{
    if (IsAscii(sjis))
        return QString::fromLatin1(sjis.data(), qsizetype(sjis.size()));
    QStringDecoder decoder(CodePageName);
    return decoder(QByteArrayView(sjis.data(), qsizetype(sjis.size())));
}

std::optional<SjisString> FromUnicodeStrict(QStringView text)
{
    bool failed = false;
    SjisString out = Encode(text, [](SjisString&, QStringView) {}, &failed);
    if (failed)
        return std::nullopt;
    return out;
}

SjisString FromUnicodeWithReferences(QStringView text)
{
    return Encode(
        text,
        [](SjisString& out, QStringView unit) {
            char32_t code = unit.size() == 2 ? QChar::surrogateToUcs4(unit[0], unit[1]) : unit[0].unicode();
            out += "&#x" + QString::number(uint(code), 16).toUpper().toStdString() + ";";
        },
        nullptr);
}

std::optional<QString> FirstUnencodable(QStringView text)
{
    std::optional<QString> first;
    Encode(
        text,
        [&first](SjisString&, QStringView unit) {
            if (!first)
                first = unit.toString();
        },
        nullptr);
    return first;
}

SjisString Sjis(const char* utf8)
{
    return FromUnicodeWithReferences(QString::fromUtf8(utf8));
}

} // namespace TextCodec
