#pragma once

#include <QJsonObject>
#include <QString>

class Page;

// The page as JSON: strings are the page's Shift_JIS texts decoded as code
// page 932; nodes nest under "Children".
QJsonObject PageToJson(const Page& page);

// Fills an empty page from JSON. Names, titles and paths must be texts that
// Shift_JIS can hold; in bodies and the user header other characters become
// numeric character references. Returns an error message, or an empty text.
QString PageFromJson(const QJsonObject& json, Page& page);
