#include "page/NodeClipboard.h"

#include "document/OutlineText.h"
#include "document/PageFile.h"
#include "document/ProgramConstants.h"
#include "document/TextCodec.h"
#include "publish/HtmlGenerator.h"

#include <QBuffer>
#include <QMimeData>

#include <algorithm>

namespace NodeClipboard {
namespace {

// The first node of the subtrees whose name or body holds the byte 0xFF.
const Node* NodeWithTerminator(const Page& page)
{
    for (const Node* node : page.NodesInDocumentOrder())
        if (node->name().find('\xff') != SjisString::npos || node->record().Body.find('\xff') != SjisString::npos)
            return node;
    return nullptr;
}

// The names as the outline text has them, with the line ends other
// programs expect of plain text.
QString IndentedNames(const Page& page)
{
    return TextCodec::ToUnicode(MakeOutlineText(page)).replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
}

QString DamagedMessage()
{
    return QStringLiteral("クリップボードのノードのデータが壊れているため、貼り付けませんでした。");
}

// Our own form: a page file. Only the version we write is taken, so that
// nothing on the clipboard can make the reader look for other files.
Pasted NodesFromPageFile(const QByteArray& bytes)
{
    Pasted pasted;
    if (!bytes.startsWith(ProgramConstants::PageFileFormatTag)) {
        pasted.error = DamagedMessage();
        return pasted;
    }
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    Page scratch;
    if (!ReadPageFileFrom(buffer, scratch, PageFileContext{}, SjisString()).ok()) {
        pasted.error = DamagedMessage();
        return pasted;
    }
    while (!scratch.topLevelNodes().empty())
        pasted.nodes.push_back(scratch.TakeNode(scratch.topLevelNodes().back().get()));
    std::reverse(pasted.nodes.begin(), pasted.nodes.end());
    return pasted;
}

// Columns of indentation at the start of the line; `length` is where the
// name starts.
int Indentation(QStringView line, qsizetype& length)
{
    int columns = 0;
    for (length = 0; length < line.size(); ++length) {
        const char16_t c = line[length].unicode();
        if (c == u' ')
            columns += 1;
        else if (c == u'\t')
            columns += 4 - columns % 4;
        else if (c == u'\u3000')
            columns += 2;
        else
            break;
    }
    return columns;
}

} // namespace

Copied Copy(const std::vector<const Node*>& nodes, const GeneratorOptions& html)
{
    Copied copied;
    Page scratch;
    for (const Node* node : nodes)
        scratch.PutNode(CopyOfSubtree(*node), {nullptr, int(scratch.topLevelNodes().size())});
    if (const Node* node = NodeWithTerminator(scratch)) {
        copied.error = QStringLiteral("ノード “%1” に、コピーできないバイト (0xFF) が含まれているため、"
                                      "コピーしませんでした。")
                           .arg(TextCodec::ToUnicode(node->name()));
        return copied;
    }
    copied.data = std::make_unique<QMimeData>();
    copied.data->setData(QString::fromLatin1(NodesMimeType), *PageFileBytes(ImageOfPage(scratch)));
    const SjisString outline = GenerateOutlineHtml(scratch, html);
    if (!outline.empty())
        copied.data->setHtml(TextCodec::ToUnicode(outline));
    copied.data->setText(IndentedNames(scratch));
    return copied;
}

bool CanPaste(const QMimeData& data)
{
    return data.hasFormat(QString::fromLatin1(NodesMimeType)) || data.hasText();
}

Pasted Paste(const QMimeData& data)
{
    if (data.hasFormat(QString::fromLatin1(NodesMimeType)))
        return NodesFromPageFile(data.data(QString::fromLatin1(NodesMimeType)));
    Pasted pasted;
    if (data.hasText())
        pasted.nodes = NodesFromIndentedText(data.text());
    return pasted;
}

std::vector<std::unique_ptr<Node>> NodesFromIndentedText(QStringView text)
{
    // Made into the page file's outline text, one TAB a level, which never
    // jumps more than one level deeper.
    SjisString outline;
    std::vector<int> path; // the indentation of the last line at each level
    qsizetype pos = 0;
    while (pos < text.size()) {
        qsizetype end = pos;
        while (end < text.size() && text[end] != u'\r' && text[end] != u'\n')
            ++end;
        const QStringView line = text.mid(pos, end - pos);
        pos = end + (end + 1 < text.size() && text[end] == u'\r' && text[end + 1] == u'\n' ? 2 : 1);

        qsizetype nameStart = 0;
        const int indent = Indentation(line, nameStart);
        QStringView name = line.mid(nameStart);
        while (!name.isEmpty() && name.back().isSpace())
            name.chop(1);
        if (name.isEmpty())
            continue;
        while (!path.empty() && path.back() > indent)
            path.pop_back();
        if (path.empty() || path.back() < indent)
            path.push_back(indent);
        else
            path.back() = indent;
        outline.append(path.size() - 1, '\t');
        outline += TextCodec::FromUnicodeWithReferences(name);
        outline += "\r\n";
    }
    return std::move(ParseOutlineText(outline).topLevel);
}

std::unique_ptr<Node> CopyOfSubtree(const Node& node)
{
    // Built in a page of its own, the one owner that may join nodes.
    Page scratch;
    const auto copyOf = [](const Node& from) {
        auto to = std::make_unique<Node>(from.name());
        to->record() = from.record();
        to->expanded = from.expanded;
        return to;
    };
    auto root = copyOf(node);
    Node* rootCopy = root.get();
    scratch.PutNode(std::move(root), {nullptr, 0});
    std::vector<std::pair<const Node*, Node*>> pending{{&node, rootCopy}}; // (original, its copy)
    while (!pending.empty()) {
        const auto [from, to] = pending.back();
        pending.pop_back();
        for (int row = 0; row < from->childCount(); ++row) {
            auto child = copyOf(*from->child(row));
            pending.emplace_back(from->child(row), child.get());
            scratch.PutNode(std::move(child), {to, row});
        }
    }
    return scratch.TakeNode(rootCopy);
}

NodePlace PastePlace(const Page& page, Node* selected, bool asChild)
{
    if (!selected)
        return {nullptr, int(page.topLevelNodes().size())};
    if (asChild)
        return {selected, selected->childCount()};
    NodePlace place = page.PlaceOf(selected);
    ++place.row;
    return place;
}

ClipboardCommands EnabledCommands(ClipboardTarget target, bool nodeSelected, bool nodesOnClipboard)
{
    switch (target) {
    case ClipboardTarget::Editor:
        return {true, true, true, false, false};
    case ClipboardTarget::Tree:
        return {nodeSelected, nodeSelected, nodesOnClipboard, nodesOnClipboard, nodeSelected};
    case ClipboardTarget::None:
        break;
    }
    return {};
}

} // namespace NodeClipboard
