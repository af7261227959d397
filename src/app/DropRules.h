#pragma once

#include "document/Page.h"

#include <optional>

// Where a point lies along one row of the outline tree, as x coordinates in
// the view. A row is laid out as: indentation, expand button (only for a
// node with children), icon, label.
struct TreeRowHit {
    bool onRow = false;        // the point is on a node's row
    bool belowLastRow = false; // the point is in the empty area below all rows
    int x = 0;
    int buttonLeft = 0; // where the node's expand button column starts
    int itemLeft = 0;   // where the icon starts (the button column ends)
    bool hasButton = false;
    int iconRight = 0;
    int labelRight = 0; // end of the label's text
};

enum class DropZone {
    Label,       // the node becomes the target's last child
    IconOrEmpty, // before the target; the last top-level node below all rows
    Indentation, // the last child of the target's parent
    Nothing,     // an expand button, right of a label, outside the rows
};

DropZone DropZoneAt(const TreeRowHit& hit);

// The placement a drop zone asks for; nothing for DropZone::Nothing.
std::optional<Placement> PlacementFor(DropZone zone);

enum class ScrollDirection { None, Up, Down };

// Auto-scroll while dragging: down when the drop target's row reaches into
// the last three row heights of the client area, up when it lies within the
// first three, else none.
ScrollDirection DragScrollDirection(int clientHeight, int rowTop, int rowBottom, int rowHeight);

// The tree popup items that act on a node: enabled exactly while one is selected.
inline bool NodeCommandEnabled(const Node* selected)
{
    return selected != nullptr;
}
