#pragma once

#include "document/SjisString.h"

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <vector>

// What the page properties dialog decides, without a window.

// The DOCTYPE texts offered, in their order (what follows "<!DOCTYPE ").
QStringList DocumentTypeChoices();

// A file time as the date fields show it, in Coordinated Universal Time and
// without leading zeros: "2001 年 3 月 5 日 9 時 7 分 3 秒".
QString FileDateText(const QDateTime& time);

// The items of the FTP setting list and the one selected. The page's own
// setting is the last listed item of that name; a name the list lacks is
// added as an item of its own (shown marked as missing), so that OK never
// points the page at another server unasked.
struct FtpSettingChoices {
    std::vector<SjisString> names;
    int selected = -1;
    bool pageNameMissing = false; // the last item is the page's name, not in the list
};
FtpSettingChoices ChooseFtpSetting(const std::vector<SjisString>& listed, SjisView pageName);
