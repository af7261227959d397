#pragma once

#include "document/Page.h"

#include <QString>

#include <vector>

// The texts of a page that find and replace read and change: every node's
// name and body, and the user header.
enum class PageTextField { Name, Body, UserHeader };

// One of those texts: a node's name or body, or the user header (no node).
struct PageTextPlace {
    Node* node = nullptr;
    PageTextField field = PageTextField::Body;
    bool operator==(const PageTextPlace&) const = default;
};

// A new content for one text, in the model's bytes.
struct PageTextChange {
    PageTextPlace place;
    SjisString text;
};

const SjisString& TextAt(const Page& page, PageTextPlace place);

// The text as the user sees it, whose positions find and replace report:
// a name decoded; a body or the header as the editor shows it, every line
// break (CR LF, a lone CR or a lone LF) one '\n'.
QString TextAsShown(SjisView bytes, PageTextField field);

// The same, with the byte offset in `bytes` at which each position of the
// text starts (offsets[text.size()] is bytes.size()), so that a range of it
// can be replaced in the bytes without re-encoding the rest.
void TextAsShownWithOffsets(SjisView bytes, PageTextField field, QString& text, std::vector<int>& offsets);
