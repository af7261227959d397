#pragma once

#include "document/SjisString.h"

#include <utility>
#include <vector>

// A small reader for the ".page" file of version 1.0 pages (sections in
// brackets, key=value lines): sections and keys are matched without regard
// to case, values are trimmed and lose one pair of enclosing double quotes.
class LegacyIni {
public:
    explicit LegacyIni(SjisView text);

    // The value, or `fallback` when the key is missing.
    SjisString text(SjisView section, SjisView key, SjisView fallback) const;
    // An integer other than 0 is true; a missing or non-numeric value is `fallback`.
    bool flag(SjisView section, SjisView key, bool fallback) const;

private:
    // "section\nkey" in lower case, and the value.
    std::vector<std::pair<SjisString, SjisString>> values_;
};
