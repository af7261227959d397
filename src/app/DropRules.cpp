#include "app/DropRules.h"

DropZone DropZoneAt(const TreeRowHit& hit)
{
    if (!hit.onRow)
        return hit.belowLastRow ? DropZone::IconOrEmpty : DropZone::Nothing;
    // Label first, then icon, then indentation.
    if (hit.x >= hit.iconRight && hit.x < hit.labelRight)
        return DropZone::Label;
    if (hit.x >= hit.itemLeft && hit.x < hit.iconRight)
        return DropZone::IconOrEmpty;
    if (hit.x >= 0 && hit.x < hit.itemLeft) {
        const bool onButton = hit.hasButton && hit.x >= hit.buttonLeft;
        return onButton ? DropZone::Nothing : DropZone::Indentation;
    }
    return DropZone::Nothing;
}

std::optional<Placement> PlacementFor(DropZone zone)
{
    switch (zone) {
    case DropZone::Label:
        return Placement::AsLastChild;
    case DropZone::IconOrEmpty:
        return Placement::BeforeTarget;
    case DropZone::Indentation:
        return Placement::AsLastSibling;
    case DropZone::Nothing:
        break;
    }
    return std::nullopt;
}

ScrollDirection DragScrollDirection(int clientHeight, int rowTop, int rowBottom, int rowHeight)
{
    const int h = 3 * rowHeight;
    if (clientHeight - h < rowBottom)
        return ScrollDirection::Down;
    if (rowTop < h)
        return ScrollDirection::Up;
    return ScrollDirection::None;
}
