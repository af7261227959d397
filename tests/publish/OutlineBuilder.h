#pragma once

#include "document/Page.h"

#include <QByteArray>
#include <QList>
#include <vector>

// Builds an outline from a compact text, one node per line:
//   <level><flags> <name>[=<body>]
// flags: 'h' hidden, '-' not published; in a body the two characters \r and
// \n stand for CR and LF. "0h N1", "1 N2=b", "0- Draft=x\r\ny".
inline void BuildOutline(Page& page, const QByteArray& text)
{
    std::vector<Node*> lastAtLevel;
    for (const QByteArray& line : text.split('\n')) {
        if (line.isEmpty())
            continue;
        const qsizetype blank = line.indexOf(' ');
        const QByteArray head = line.left(blank);
        QByteArray rest = line.mid(blank + 1);
        const qsizetype eq = rest.indexOf('=');
        const QByteArray name = eq < 0 ? rest : rest.left(eq);
        QByteArray body = eq < 0 ? QByteArray() : rest.mid(eq + 1);
        body.replace("\\r", "\r").replace("\\n", "\n");
        const size_t level = size_t(head.at(0) - '0');
        Node* node = page.AddChildNode(level == 0 ? nullptr : lastAtLevel.at(level - 1));
        page.RenameNode(node, name.toStdString());
        node->record().Body = body.toStdString();
        node->record().Hide = head.contains('h');
        node->record().Publish = !head.contains('-');
        lastAtLevel.resize(level + 1);
        lastAtLevel[level] = node;
    }
}
