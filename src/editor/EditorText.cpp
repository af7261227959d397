#include "editor/EditorText.h"

#include "document/TextCodec.h"

#include <array>
#include <cstdint>

namespace EditorText {
namespace {

// Bytes one character (one or two UTF-16 units at `i`) takes in the body;
// `units` gets how many units it has. Widths of BMP characters are looked up
// once each, so long texts cost one table read per character.
int BodyBytesOf(QStringView text, qsizetype i, int& units)
{
    const char16_t c = text[i].unicode();
    units = 1;
    if (c == '\n')
        return 2;
    if (c < 0x80)
        return 1;
    if (QChar::isHighSurrogate(c) && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
        units = 2;
        return int(TextCodec::FromUnicodeWithReferences(text.mid(i, 2)).size());
    }
    static std::array<std::uint8_t, 0x10000> widths{}; // 0: not yet known
    std::uint8_t& width = widths[c];
    if (width == 0)
        width = std::uint8_t(TextCodec::FromUnicodeWithReferences(text.mid(i, 1)).size());
    return width;
}

} // namespace

QString FromBody(SjisView body)
{
    QString text = TextCodec::ToUnicode(body);
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(u'\r', u'\n');
    return text;
}

SjisString ToBody(QStringView text)
{
    QString crlf = text.toString();
    crlf.replace(u'\n', QStringLiteral("\r\n"));
    return TextCodec::FromUnicodeWithReferences(crlf);
}

int ByteOffset(QStringView text, int pos)
{
    int bytes = 0;
    for (qsizetype i = 0; i < text.size() && i < pos;) {
        int units = 1;
        bytes += BodyBytesOf(text, i, units);
        i += units;
    }
    return bytes;
}

int EditorPosition(QStringView text, int offset)
{
    int bytes = 0;
    qsizetype i = 0;
    while (i < text.size()) {
        int units = 1;
        const int width = BodyBytesOf(text, i, units);
        if (bytes + width > offset)
            break;
        bytes += width;
        i += units;
    }
    return int(i);
}

} // namespace EditorText

QString AddParagraphTags(QStringView text)
{
    QString out;
    out.reserve(text.size() + text.size() / 4);
    qsizetype start = 0;
    while (start < text.size()) {
        qsizetype end = start;
        while (end < text.size() && text[end] != u'\r' && text[end] != u'\n')
            ++end;
        const QStringView line = text.mid(start, end - start);
        qsizetype first = 0;
        while (first < line.size() && line[first].unicode() <= 0x20)
            ++first;
        if (first < line.size() && line[first] != u'<')
            out += QStringLiteral("<P>") + line.toString() + QStringLiteral("</P>");
        else
            out += line;
        out += u'\n';
        start = end;
        if (start < text.size() && text[start] == u'\r')
            ++start;
        if (start < text.size() && text[start] == u'\n')
            ++start;
        if (start == end) // cannot happen; keeps the loop finite
            ++start;
    }
    return out;
}

QString AutoIndentText(QStringView line)
{
    QString out(u'\n');
    for (QChar c : line)
        if (c == u'\t' || c == u' ')
            out += c;
    return out;
}
