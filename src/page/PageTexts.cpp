#include "page/PageTexts.h"

#include "document/TextCodec.h"

#include <cassert>

namespace {

// Bytes of the character `code` in the model, by the codec's contract:
// ASCII and half-width katakana take one byte, the stand-in of a lone
// byte (U+F0000 + byte) one, every other character (the stand-in of a
// pair included) two.
int BytesOf(char32_t code)
{
    if (code < 0x80 || (code >= 0xFF61 && code <= 0xFF9F))
        return 1;
    if (code >= 0xF0000 && code <= 0xF00FF)
        return 1;
    return 2;
}

bool KeepsLineBreaks(PageTextField field)
{
    return field != PageTextField::Name;
}

} // namespace

const SjisString& TextAt(const Page& page, PageTextPlace place)
{
    switch (place.field) {
    case PageTextField::Name: return place.node->name();
    case PageTextField::Body: return place.node->record().Body;
    case PageTextField::UserHeader: break;
    }
    return page.UserHeader;
}

QString TextAsShown(SjisView bytes, PageTextField field)
{
    QString text = TextCodec::ToUnicode(bytes);
    if (KeepsLineBreaks(field) && text.contains(u'\r')) {
        text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        text.replace(u'\r', u'\n');
    }
    return text;
}

void TextAsShownWithOffsets(SjisView bytes, PageTextField field, QString& text, std::vector<int>& offsets)
{
    const QString decoded = TextCodec::ToUnicode(bytes);
    text.clear();
    text.reserve(decoded.size());
    offsets.clear();
    offsets.reserve(std::size_t(decoded.size()) + 1);
    int at = 0;
    for (qsizetype u = 0; u < decoded.size();) {
        const QChar c = decoded[u];
        if (KeepsLineBreaks(field) && c == u'\r') {
            const bool pair = u + 1 < decoded.size() && decoded[u + 1] == u'\n';
            offsets.push_back(at);
            text += u'\n';
            at += pair ? 2 : 1;
            u += pair ? 2 : 1;
            continue;
        }
        const bool surrogates = c.isHighSurrogate() && u + 1 < decoded.size() && decoded[u + 1].isLowSurrogate();
        const char32_t code = surrogates ? QChar::surrogateToUcs4(c, decoded[u + 1]) : c.unicode();
        for (int k = 0; k < (surrogates ? 2 : 1); ++k) {
            offsets.push_back(at);
            text += decoded[u + k];
        }
        at += BytesOf(code);
        u += surrogates ? 2 : 1;
    }
    assert(std::size_t(at) == bytes.size());
    offsets.push_back(at);
}
