#include "controls/FileOperations.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <filesystem>

namespace fs = std::filesystem;

namespace FileOperations {
namespace {

fs::path Native(const QString& path) { return fs::path(QFile::encodeName(path).toStdString()); }

std::optional<QString> Failure(std::errc code) { return ErrorText(std::make_error_code(code)); }

// A name a folder entry can carry: no separator, not "." or "..".
bool IsPlainName(const QString& name)
{
    return !name.isEmpty() && name != QLatin1String(".") && name != QLatin1String("..")
        && !name.contains(QLatin1Char('/')) && !name.contains(QChar(0));
}

// `inner` is `outer` itself or lies below it.
bool IsSameOrBelow(const QString& inner, const QString& outer)
{
    const QString a = QDir::cleanPath(QFileInfo(inner).absoluteFilePath());
    const QString b = QDir::cleanPath(QFileInfo(outer).absoluteFilePath());
    return a == b || a.startsWith(b.endsWith(QLatin1Char('/')) ? b : b + QLatin1Char('/'));
}

// Where `source` goes inside `folder`, or the reason it cannot go there.
std::optional<QString> TargetIn(const QString& source, const QString& folder, QString* target)
{
    const QFileInfo from(source);
    if (!from.exists() && !from.isSymLink())
        return Failure(std::errc::no_such_file_or_directory);
    if (!QFileInfo(folder).isDir())
        return Failure(std::errc::not_a_directory);
    if (from.isDir() && IsSameOrBelow(folder, source))
        return QStringLiteral("フォルダをそれ自身の中には入れられません");
    *target = QDir(folder).filePath(from.fileName());
    if (QFileInfo::exists(*target) || QFileInfo(*target).isSymLink())
        return Failure(std::errc::file_exists);
    return std::nullopt;
}

// Runs `transfer` from `source` to its place in `folder`, once that place is free.
template <typename Transfer>
std::optional<QString> IntoFolder(const QString& source, const QString& folder, Transfer transfer)
{
    QString target;
    if (std::optional<QString> refused = TargetIn(source, folder, &target))
        return refused;
    std::error_code error;
    transfer(Native(source), Native(target), error);
    return error ? std::optional(ErrorText(error)) : std::nullopt;
}

} // namespace

QString ErrorText(const std::error_code& error)
{
    switch (static_cast<std::errc>(error.value())) {
    case std::errc::permission_denied:
    case std::errc::operation_not_permitted: return QStringLiteral("アクセスが拒否されました");
    case std::errc::file_exists:
    case std::errc::directory_not_empty: return QStringLiteral("同じ名前のファイルまたはフォルダが既にあります");
    case std::errc::no_such_file_or_directory: return QStringLiteral("ファイルまたはフォルダが見つかりません");
    case std::errc::not_a_directory: return QStringLiteral("フォルダの場所にファイルがあります");
    case std::errc::read_only_file_system: return QStringLiteral("読み取り専用のファイルシステムです");
    case std::errc::no_space_on_device: return QStringLiteral("ディスクの空き容量が足りません");
    case std::errc::filename_too_long: return QStringLiteral("名前が長すぎます");
    case std::errc::cross_device_link: return QStringLiteral("別のドライブへは移動できません");
    case std::errc::invalid_argument: return QStringLiteral("使えない名前です");
    default: return QString::fromLocal8Bit(error.message());
    }
}

std::optional<QString> CreateFolderWithParents(const QString& path)
{
    if (path.isEmpty())
        return Failure(std::errc::invalid_argument);
    std::error_code error;
    fs::create_directories(Native(path), error);
    if (error)
        return ErrorText(error);
    // create_directories reports no error when a file stands at the path itself.
    if (!QFileInfo(path).isDir())
        return Failure(std::errc::file_exists);
    return std::nullopt;
}

std::optional<QString> CreateNewFolder(const QString& parent, QString* created)
{
    const QString base = QStringLiteral("新しいフォルダ");
    QDir dir(parent);
    QString name = base;
    for (int n = 2; QFileInfo::exists(dir.filePath(name)) || QFileInfo(dir.filePath(name)).isSymLink(); ++n)
        name = QStringLiteral("%1 (%2)").arg(base).arg(n);
    std::error_code error;
    fs::create_directory(Native(dir.filePath(name)), error);
    if (error)
        return ErrorText(error);
    *created = dir.filePath(name);
    return std::nullopt;
}

std::optional<QString> Rename(const QString& path, const QString& newName)
{
    if (!IsPlainName(newName))
        return Failure(std::errc::invalid_argument);
    const QFileInfo from(path);
    const QString target = from.dir().filePath(newName);
    if (target == from.filePath())
        return std::nullopt;
    // rename() would replace an existing file or empty folder of that name.
    if (QFileInfo::exists(target) || QFileInfo(target).isSymLink())
        return Failure(std::errc::file_exists);
    std::error_code error;
    fs::rename(Native(path), Native(target), error);
    return error ? std::optional(ErrorText(error)) : std::nullopt;
}

std::optional<QString> MoveInto(const QString& source, const QString& folder)
{
    return IntoFolder(source, folder, [](const fs::path& from, const fs::path& to, std::error_code& error) {
        fs::rename(from, to, error);
    });
}

std::optional<QString> CopyInto(const QString& source, const QString& folder)
{
    return IntoFolder(source, folder, [](const fs::path& from, const fs::path& to, std::error_code& error) {
        fs::copy(from, to, fs::copy_options::recursive | fs::copy_options::copy_symlinks, error);
    });
}

} // namespace FileOperations
