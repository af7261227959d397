#pragma once

#include <QString>
#include <functional>
#include <optional>

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

// A typed path with a leading "~" (alone or before a separator) read as the
// home folder, as a shell does; taken literally it would make a folder named
// "~" in the current folder. "~name" and a "~" further in stay as typed.
QString ExpandHome(const QString& typed);

using FileExists = std::function<bool(const QString& path)>;
// The question OK asks before the page's new names point it at a page file
// or an HTML file that is already there, naming each one that is; nothing
// when neither exists.
std::optional<QString> OverwriteQuestion(const QString& pageFile, const QString& htmlFile,
                                         const FileExists& exists);

} // namespace NewPageRules
