#include "page/PreviewContent.h"

#include "document/OutlineText.h"
#include "document/Page.h"
#include "document/PagePaths.h"
#include "document/TextCodec.h"
#include "publish/HtmlWriter.h"

#include <QDir>
#include <QFileInfo>
#include <algorithm>
#include <cctype>
#include <string>

namespace {

// An empty span, not an anchor: a hidden node's heading already is a link,
// and a link inside a link would end the outer one. Empty, it draws nothing.
// ASCII, so it reads the same in all three character sets.
SjisString AnchorElement(int nodeIndex)
{
    return "<span id=\"" + PreviewAnchorId(nodeIndex).toStdString() + "\"></span>";
}

// The page rebuilt from its image, each published node's name carrying its
// scroll target: the generator writes a name into its heading and nowhere
// else, so the target lands in the heading and the rest is as published.
void RebuildWithAnchors(Page& page, const PageFileImage& image)
{
    page.properties() = image.properties;
    page.ReplaceOutline(ParseOutlineText(image.outlineText).topLevel);
    const std::vector<Node*> nodes = page.NodesInDocumentOrder();
    const std::size_t count = std::min(nodes.size(), image.records.size());
    std::size_t bodyStart = 0;
    for (std::size_t i = 0; i < count; ++i) {
        const PageFileImage::Record& from = image.records[i];
        TRecord& record = nodes[i]->record();
        record.Body.assign(image.bodies, bodyStart, from.bodyEnd - bodyStart);
        record.Publish = from.publish;
        record.Hide = from.hide;
        bodyStart = from.bodyEnd;
        if (from.publish)
            page.SetName(nodes[i], AnchorElement(int(i)) + nodes[i]->name());
    }
}

bool IsTagNameEnd(char c)
{
    return c == '>' || c == '/' || c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}

// Whether the text holds a base element of its own. '<' is never the
// second byte of a Shift_JIS character, so a byte search is exact.
bool HoldsBaseElement(SjisView html)
{
    for (std::size_t at = html.find('<'); at != SjisView::npos; at = html.find('<', at + 1)) {
        const SjisView rest = html.substr(at + 1, 5);
        if (rest.size() == 5 && IsTagNameEnd(rest[4])
            && std::equal(rest.begin(), rest.begin() + 4, "base",
                          [](char a, char b) { return std::tolower(static_cast<unsigned char>(a)) == b; }))
            return true;
    }
    return false;
}

bool EqualsIgnoringCase(SjisView text, SjisView lowerCase)
{
    return text.size() == lowerCase.size()
        && std::equal(text.begin(), text.end(), lowerCase.begin(),
                      [](char a, char b) { return std::tolower(static_cast<unsigned char>(a)) == b; });
}

// Where the base element goes: right after the charset meta element, which
// follows the html and head start tags on the line after the DOCTYPE. The
// charset stays within the first bytes a browser looks at, and the base
// comes before every element that names a file. Nothing when there is no
// head (a tag case that writes the DOCTYPE line alone).
std::size_t BaseInsertionPoint(SjisView html, const PageProperties& page)
{
    const std::size_t doctypeEnd =
        page.Doctype.empty() ? html.find('\n') + 1 : std::string_view("<!DOCTYPE ").size() + page.Doctype.size() + 2;
    constexpr std::string_view starts = "<html>\n<head>\n";
    if (doctypeEnd == 0 || !EqualsIgnoringCase(html.substr(doctypeEnd, starts.size()), starts))
        return SjisView::npos;
    const std::size_t metaEnd = html.find('\n', doctypeEnd + starts.size());
    return metaEnd == SjisView::npos ? metaEnd : metaEnd + 1;
}

// The URL as an attribute value: it is percent-encoded ASCII already, but
// '&' may stand in a path and would start a character reference.
SjisString BaseElement(const QUrl& base)
{
    SjisString href = base.toEncoded().toStdString();
    for (std::size_t at = href.find('&'); at != SjisString::npos; at = href.find('&', at + 1))
        href.insert(at + 1, "amp;");
    return "<base href=\"" + href + "\">\n";
}

} // namespace

QString PreviewAnchorId(int nodeIndex)
{
    return QStringLiteral("tav-node-%1").arg(nodeIndex);
}

QString PreviewAnchorIdOf(const Page& page, const Node* node)
{
    int target = -1;
    int index = 0;
    for (const Node* each : page.NodesInDocumentOrder()) {
        if (each->record().Publish)
            target = index;
        if (each == node)
            return target < 0 ? QString() : PreviewAnchorId(target);
        ++index;
    }
    return {};
}

QUrl PreviewBaseUrl(const PageProperties& page, SjisView startFolder)
{
    if (PagePaths::IsForeignPath(page.FileName))
        return {};
    const QString path = TextCodec::NativePath(CompleteHtmlFileName(page.FileName, startFolder));
    const QFileInfo file(path);
    if (path.isEmpty() || !file.isAbsolute())
        return {};
    QString folder = QDir::cleanPath(file.absolutePath());
    if (!folder.endsWith(QLatin1Char('/'))) // the root ends in one already
        folder += QLatin1Char('/');
    return QUrl::fromLocalFile(folder);
}

PreviewPage MakePreviewPage(const PreviewSource& source)
{
    Page page;
    RebuildWithAnchors(page, source.image);
    SjisString html = GeneratePageHtml(page, source.options, source.now);

    PreviewPage preview;
    preview.charsetName = QString::fromLatin1(CharsetName(page.CharacterSet));
    preview.baseUrl = PreviewBaseUrl(page, source.startFolder);
    if (source.baseElement && !preview.baseUrl.isEmpty() && !HoldsBaseElement(html)) {
        const std::size_t at = BaseInsertionPoint(html, page);
        if (at != SjisView::npos)
            html.insert(at, BaseElement(preview.baseUrl));
    }
    preview.bytes = QByteArray::fromStdString(HtmlFileBytes(html, page.CharacterSet));
    return preview;
}
