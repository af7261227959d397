#pragma once

#include <string_view>

// The character set of the generated HTML file.
enum class Charset {
    Iso2022Jp,
    ShiftJis,
    EucJp,
};

// Where the character set is kept as three flags, EUC-JP wins over Shift_JIS
// over iso-2022-jp, and no flag set means iso-2022-jp.
constexpr Charset CharsetFromFlags(bool iso2022jp, bool shiftJis, bool eucJp)
{
    (void)iso2022jp;
    if (eucJp)
        return Charset::EucJp;
    if (shiftJis)
        return Charset::ShiftJis;
    return Charset::Iso2022Jp;
}

// The charset names used in HTML and in the page JSON.
constexpr std::string_view CharsetName(Charset charset)
{
    switch (charset) {
    case Charset::ShiftJis: return "Shift_JIS";
    case Charset::EucJp: return "EUC-JP";
    case Charset::Iso2022Jp: break;
    }
    return "iso-2022-jp";
}
