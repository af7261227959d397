#pragma once

// An outline written as text, for tests to state pages briefly: names, with
// each node's children in brackets after it: "a(b c) d".

#include "document/Page.h"
#include "document/PageFile.h"

#include <QString>
#include <QStringList>

inline QString Shape(const Node::Children& nodes)
{
    QStringList parts;
    for (const auto& n : nodes)
        parts << QString::fromStdString(n->name())
                     + (n->childCount() ? QLatin1Char('(') + Shape(n->children()) + QLatin1Char(')') : QString());
    return parts.join(QLatin1Char(' '));
}

// The first node of the name, in document order.
inline Node* Find(const Page& page, const QString& name)
{
    for (Node* n : page.NodesInDocumentOrder())
        if (QString::fromStdString(n->name()) == name)
            return n;
    return nullptr;
}

// Adds the outline of `shape` to the page's top level.
inline void BuildOutline(Page& page, const QString& shape)
{
    std::vector<Node*> parents{nullptr};
    QString name;
    // A name followed by '(' becomes the parent of what follows up to ')'.
    const auto add = [&](bool opens) {
        if (name.isEmpty())
            return;
        Node* node = page.AddChildNode(parents.back());
        page.RenameNode(node, name.toStdString());
        if (opens)
            parents.push_back(node);
        name.clear();
    };
    for (const QChar c : shape) {
        if (c == QLatin1Char('(')) {
            add(true);
        } else if (c == QLatin1Char(' ')) {
            add(false);
        } else if (c == QLatin1Char(')')) {
            add(false);
            parents.pop_back();
        } else {
            name += c;
        }
    }
    add(false);
}

// The page as its page file holds it.
inline QByteArray PageBytes(const Page& page)
{
    return PageFileBytes(ImageOfPage(page)).value_or(QByteArray());
}
