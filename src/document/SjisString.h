#pragma once

#include <string>
#include <string_view>

// Texts of the page and of the settings are byte strings in code page 932
// (Shift_JIS), exactly as the page file and the HTML generator handle them.
// Lengths and positions are byte counts.
using SjisString = std::string;
using SjisView = std::string_view;

// True for the first byte of a double-byte Shift_JIS character.
constexpr bool IsSjisLeadByte(unsigned char c)
{
    return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}
