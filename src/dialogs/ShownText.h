#pragma once

#include "document/SjisString.h"

#include <QString>
#include <optional>

class QWidget;

// A Shift_JIS text of the page or the settings as a dialog shows it. A text
// the user did not change is stored back with its bytes, even bytes that do
// not survive decoding; a changed one is encoded anew.
struct ShownText {
    SjisString bytes;
    QString text;

    // The text to show for `loaded`.
    const QString& load(SjisView loaded);
    // The bytes to store for `now`, or nothing when code page 932 cannot
    // hold one of its characters.
    std::optional<SjisString> encode(const QString& now) const;
};

// Encodes a text typed into a field labelled `label`. When code page 932
// cannot hold one of its characters, says so in a warning box on `parent`
// and returns nothing, so that the caller stores nothing at all.
std::optional<SjisString> EncodeFieldOrWarn(QWidget* parent, const QString& label, const QString& text,
                                            const ShownText* shown = nullptr);
