#pragma once

#include "document/SjisString.h"

#include <cstdint>

// The record every outline node carries.
struct TRecord {
    SjisString Body;          // the node's HTML or text, line breaks CR LF
    bool Publish = true;      // written to the HTML file
    bool Hide = false;        // starts collapsed in the generated page
    bool EditSource = true;   // always on; stored and restored, changes nothing else
    std::int32_t SelStart = 0;  // caret position in Body when the node was last left
    std::int32_t SelLength = 0; // selection length at that time

    bool operator==(const TRecord&) const = default;
};

// How a node's icon shows its record.
enum class DisplayState {
    Normal,      // published and not hidden
    Hidden,      // published and hidden
    Unpublished, // not published, whatever Hide says
};

constexpr DisplayState DisplayStateOf(const TRecord& record)
{
    if (!record.Publish)
        return DisplayState::Unpublished;
    return record.Hide ? DisplayState::Hidden : DisplayState::Normal;
}
