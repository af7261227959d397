#pragma once

#include "document/SjisString.h"

#include <QString>

// One line of the upload queue as the run lists and sends it. Texts are
// Unicode, ready to be shown; `queueLine` keeps the queue's own bytes.
struct UploadRow {
    enum class State {
        Waiting,    // listed, not sent (yet)
        Done,       // the page is on the server under its name
        Failed,     // the run stopped at this page, or its page file could not be read
    };

    SjisString queueLine; // the page file's path as the queue holds it
    QString pageFile;     // the same path, for messages
    // The page file was read; false for an unreadable file (see `reason`)
    // and for a format this program does not know.
    bool listed = false;
    QString title;
    QString server;     // the host as its FTP setting names it, port included
    QString remotePath; // remote folder and file name, as the user typed the folder
    QString htmlFile;   // the local HTML file that is sent
    State state = State::Waiting;
    // Why the page failed: the server's reply, the socket's or the file
    // system's error. Empty when the user stopped the run.
    QString reason;
};
