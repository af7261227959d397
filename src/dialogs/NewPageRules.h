#pragma once

#include <QString>
#include <functional>

// The decisions of the new page dialog, without the dialog.
namespace NewPageRules {

// What the dialog's fields hold.
struct Fields {
    QString title;
    QString fileName;     // the HTML file's full path
    QString databasePath; // the document root
    bool forceDirectories = true;
};

using FolderExists = std::function<bool(const QString& path)>;
// A path is a folder when its attributes can be read and say so.
bool IsFolder(const QString& path);

// OK is enabled when no field is empty and either both the output file's
// folder and the document root are folders, or missing folders are to be
// created.
bool OkEnabled(const Fields& fields, const FolderExists& exists = IsFolder);

// Everything before the last separator ('/' or '\'); "/" for a file in the
// root; empty when there is no separator.
QString FolderPart(const QString& path);

// The folder with the native separator appended, unless it already ends in
// '/' or '\'; an empty text stays empty. Works on the decoded text, so that
// the second byte of a double-byte character (0x5C in "表") never counts as
// a separator.
QString WithTrailingSeparator(const QString& folder);

} // namespace NewPageRules
