#include "page/PreviewContent.h"

#include "document/OutlineText.h"
#include "document/Page.h"
#include "publish/HtmlWriter.h"

#include <algorithm>

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

PreviewPage MakePreviewPage(const PreviewSource& source)
{
    Page page;
    RebuildWithAnchors(page, source.image);
    const SjisString html = GeneratePageHtml(page, source.options, source.now);
    PreviewPage preview;
    preview.charsetName = QString::fromLatin1(CharsetName(page.CharacterSet));
    preview.bytes = QByteArray::fromStdString(HtmlFileBytes(html, page.CharacterSet));
    return preview;
}
