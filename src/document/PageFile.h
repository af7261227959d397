#pragma once

#include "document/Page.h"
#include "document/SjisString.h"

#include <QByteArray>
#include <QString>

#include <optional>
#include <vector>

class QIODevice;

// What the page file reader and writer need from the program around them.
struct PageFileContext {
    // The folder the program started in, with its trailing separator: where
    // a page goes whose DatabasePath names no existing folder.
    SjisString StartFolder;
    // The program's folder, with its trailing separator (version 1.0 defaults).
    SjisString ProgramFolder;
    // Version 1.0 pages without these switches take the preferences' values.
    bool DefaultEnableStyleSheet = true;
    bool DefaultEnableJavaScript = false;
};

enum class PageFileStatus {
    Ok,
    Damaged,        // ended inside a field: what was there has been read
    NewerFormat,    // a later version's tag; message says which version
    UnknownFormat,  // not a page file
    BadOutline,     // the outline jumps more than one level; the read stopped
    CannotOpen,
    CannotWrite,
    UnstorableText, // a text holds the byte 0xFF; nothing was written
};

struct PageFileResult {
    PageFileStatus status = PageFileStatus::Ok;
    QString message; // for the user; empty when Ok
    SjisString path; // the page file path that was read or written

    // The page now holds the file's content (a damaged file counts).
    bool opened() const { return status == PageFileStatus::Ok || status == PageFileStatus::Damaged; }
    bool ok() const { return status == PageFileStatus::Ok; }
    // NewerFormat and UnknownFormat are shown under this caption.
    bool isUnknownFormat() const
    {
        return status == PageFileStatus::NewerFormat || status == PageFileStatus::UnknownFormat;
    }
};

// Caption of the messages for a file that is not a page file of a known version.
QString UnknownFormatCaption();

// Writes the page as a version 1.4 page file at its page file path. A
// DatabasePath that names no existing folder becomes the start folder first.
// The file is replaced atomically: on failure the old file stays as it was.
PageFileResult WritePageFile(Page& page, const PageFileContext& context);

// Writes the page as a version 1.4 page file at `path`, nothing else.
PageFileResult WritePageFileTo(const Page& page, const SjisString& path);
// The version 1.4 bytes of the page; false when the device refused a write.
// The caller has made sure that no text holds the byte 0xFF.
bool WritePageFileToDevice(const Page& page, QIODevice& device);

// What a page file holds, copied out of a page: its bytes can then be made
// on another thread while the page goes on changing.
struct PageFileImage {
    PageProperties properties;
    SjisString outlineText;
    // The records in document order. Their bodies lie end to end in one
    // text: copying a large page is then one allocation, not one a node.
    struct Record {
        std::size_t bodyEnd = 0; // where the body ends in `bodies`
        bool publish = true;
        bool hide = false;
        bool editSource = true;
        std::int32_t selStart = 0;
        std::int32_t selLength = 0;
    };
    SjisString bodies;
    std::vector<Record> records;
};
// `bodiesHint`: about how many bytes the bodies hold (the last image's),
// so that they are copied into room made once.
PageFileImage ImageOfPage(const Page& page, std::size_t bodiesHint = 0);
// The version 1.4 page file of the image; none when a text holds the byte
// 0xFF, which the format cannot store.
std::optional<QByteArray> PageFileBytes(const PageFileImage& image);

// Reads a page file from an open device; `path` names it in messages and
// locates the companion files of version 1.0.
PageFileResult ReadPageFileFrom(QIODevice& device, Page& page, const PageFileContext& context, const SjisString& path);

// Points the page at a chosen file as the open commands do: FileName := the
// file's name with the extension ".html" (no folder), DatabasePath := its
// folder with the trailing separator. ReadPageFile then reads the ".data" file
// of that base name in that folder, whatever extension the path had.
void PointPageAt(PageProperties& page, SjisView path);

// For a read that failed on the page file of another file the user chose
// (ftpd.py has its page in ftpd.data): the message names the chosen file
// first and says that its page is read from the ".data" file.
void NameChosenFile(PageFileResult& result, SjisView chosenPath);

// Reads the page file at the page file path of the page's DatabasePath and
// FileName (versions 1.0 to 1.4). Properties that the file's version does
// not carry keep their values.
PageFileResult ReadPageFile(Page& page, const PageFileContext& context);
