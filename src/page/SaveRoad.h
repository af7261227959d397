#pragma once

#include "document/PageFile.h"

#include <QDateTime>
#include <QString>

class Page;
class SettingsStore;
struct Settings;

// The one road of a save, taken by the window's Save commands and by
// `tavpub publish` alike: the page file (unless only the HTML is asked
// for), the HTML file, then the upload queue. It stops at the first
// failure; the page counts as saved only when all of it was written.
struct SaveRequest {
    bool pageFile = true;       // false: File > Save source only, tavpub publish
    SettingsStore* queue = nullptr; // the store that holds the upload queue; none: not queued
    QDateTime now;              // the time the HTML carries
};

struct SaveOutcome {
    enum class Failed { Nothing, PageFile, Html, Queue };
    Failed failed = Failed::Nothing;
    QString message;           // for the user; empty on success
    PageFileResult pageFile;   // the page file's result when one was written
    bool ok() const { return failed == Failed::Nothing; }
};

SaveOutcome SavePageFiles(Page& page, const Settings& settings, const SaveRequest& request);
