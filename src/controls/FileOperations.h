#pragma once

#include <QString>
#include <optional>
#include <system_error>

// File-system commands of the folder tree and the dialogs. Each returns
// nothing on success or the reason it failed, in words for the user; none
// ever replaces an existing file or folder.
namespace FileOperations {

// The reason behind a failed file-system call, in Japanese.
QString ErrorText(const std::error_code& error);

// Creates `path` with every missing parent folder.
std::optional<QString> CreateFolderWithParents(const QString& path);
// Creates "新しいフォルダ" in `parent` ("新しいフォルダ (2)", ... when the
// name is taken) and gives its path in `created`.
std::optional<QString> CreateNewFolder(const QString& parent, QString* created);
// Gives the file or folder at `path` the name `newName` in the same folder.
std::optional<QString> Rename(const QString& path, const QString& newName);
// Moves or copies the file or folder at `source` into `folder`, under its own
// name. A folder is never moved or copied into itself.
std::optional<QString> MoveInto(const QString& source, const QString& folder);
std::optional<QString> CopyInto(const QString& source, const QString& folder);

} // namespace FileOperations
