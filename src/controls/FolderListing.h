#pragma once

#include <QString>
#include <QStringList>
#include <vector>

// What the folder tree lists, without the tree: the entries of one folder,
// the places that stand for the computer's drives, and which of them holds
// a path.
namespace FolderListing {

struct Options {
    bool hidden = true;        // list hidden entries (names starting with a dot)
    bool files = false;        // list files as well as folders
    QStringList fileMask;      // with files: the extensions to list, with their dot; empty lists all
    bool filesFirst = false;   // with files: files sort before folders
    bool everything = false;   // a virtual root: every entry, hidden or not, whatever the mask
};

struct Entry {
    QString path;
    QString name;
    bool folder = false;
    bool hasChildren = false; // a folder with something to list under it
};

// The folder's entries, sorted: folders, then files (files first with
// filesFirst), each kind by NameLess. A folder that cannot be read has none.
std::vector<Entry> List(const QString& folder, const Options& options);

// The order of names in a listing: digits by value ("item9" before
// "item10"), case ignored.
bool NameLess(const QString& a, const QString& b);

// Whether the file name's extension (from its last dot on) is one of the
// mask's, ignoring case. A name without a dot matches no mask.
bool MatchesFileMask(const QString& fileName, const QStringList& mask);

// Whether the folder holds anything List would show.
bool HasChildren(const QString& folder, const Options& options);

struct Place {
    QString path;
    QString caption;
};

// The computer's drives as this platform has them: the file-system root,
// the user's home folder and the volumes mounted for the user (under /media,
// /run/media and /mnt).
std::vector<Place> DrivePlaces();

// The place whose folder holds `path` most closely, or -1.
int PlaceHolding(const std::vector<Place>& places, const QString& path);

} // namespace FolderListing
