#include "dialogs/FtpSettingList.h"

#include "document/ProgramConstants.h"
#include "settings/Settings.h"

#include <algorithm>

FtpSettingList::FtpSettingList(Settings& settings, SettingsStore& store) : settings_(settings), store_(store) {}

void FtpSettingList::load()
{
    names_ = SplitSettingNames(settings_.SettingNameText);
    selectStartRow();
}

void FtpSettingList::selectStartRow()
{
    const auto found = std::find(names_.begin(), names_.end(), ProgramConstants::DefaultFtpSettingName());
    if (found != names_.end())
        select(size_t(found - names_.begin()));
    else
        select(names_.empty() ? std::nullopt : std::optional<size_t>(0));
}

void FtpSettingList::select(std::optional<size_t> row)
{
    selected_ = row && *row < names_.size() ? row : std::nullopt;
    stored_ = selected_ ? ReadFtpSetting(store_, names_[*selected_]) : FtpSetting();
}

bool FtpSettingList::contains(SjisView name) const
{
    return std::find(names_.begin(), names_.end(), name) != names_.end();
}

bool FtpSettingList::canDelete() const
{
    return selected_ && names_[*selected_] != ProgramConstants::DefaultFtpSettingName();
}

std::optional<QString> FtpSettingList::NameProblem(SjisView name)
{
    if (FtpSettingKeyName(name).empty())
        return QStringLiteral("設定名が空です。");
    // Trail bytes of double-byte characters are never this low.
    if (std::any_of(name.begin(), name.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20; }))
        return QStringLiteral("設定名に改行や制御文字は使えません。");
    return std::nullopt;
}

void FtpSettingList::writeNames()
{
    settings_.SettingNameText = JoinSettingNames(names_);
    if (std::optional<QString> error = SaveSettingNameText(store_, settings_))
        throw StoreWriteError(error->toStdString());
}

std::optional<QString> FtpSettingList::commit(const std::function<void()>& write, const std::function<void()>& undo)
{
    const std::vector<SjisString> namesBefore = names_;
    try {
        write();
        return std::nullopt;
    } catch (const StoreWriteError& e) {
        names_ = namesBefore;
        // Both steps put the pending values back even when the store still
        // refuses to write them.
        try {
            undo();
        } catch (const StoreWriteError&) {
        }
        try {
            writeNames();
        } catch (const StoreWriteError&) {
        }
        return QString::fromStdString(e.what());
    }
}

std::optional<QString> FtpSettingList::add(SjisView name, const FtpSetting& setting)
{
    const SjisString key = FtpSettingKeyName(name);
    if (std::optional<QString> problem = NameProblem(key))
        return problem;
    const bool listed = contains(key);
    const FtpSetting before = ReadFtpSetting(store_, key);
    std::optional<QString> error = commit(
        [&] {
            WriteFtpSetting(store_, key, setting);
            if (!listed) {
                names_.push_back(key);
                writeNames();
            }
        },
        [&] {
            if (listed)
                WriteFtpSetting(store_, key, before);
            else
                EraseFtpSetting(store_, key);
        });
    if (!error)
        select(size_t(std::find(names_.begin(), names_.end(), key) - names_.begin()));
    return error;
}

std::optional<QString> FtpSettingList::apply(const FtpSetting& setting)
{
    if (!selected_)
        return std::nullopt;
    const SjisString name = names_[*selected_];
    const FtpSetting before = ReadFtpSetting(store_, name);
    std::optional<QString> error =
        commit([&] { WriteFtpSetting(store_, name, setting); }, [&] { WriteFtpSetting(store_, name, before); });
    if (!error)
        stored_ = setting;
    return error;
}

std::optional<QString> FtpSettingList::remove()
{
    if (!canDelete())
        return std::nullopt;
    const size_t row = *selected_;
    const SjisString name = names_[row];
    const bool lastRow = std::count(names_.begin(), names_.end(), name) == 1;
    const FtpSetting before = ReadFtpSetting(store_, name);
    std::optional<QString> error = commit(
        [&] {
            names_.erase(names_.begin() + std::ptrdiff_t(row));
            writeNames();
            if (lastRow)
                EraseFtpSetting(store_, name);
        },
        [&] {
            if (lastRow)
                WriteFtpSetting(store_, name, before);
        });
    if (!error)
        selectStartRow();
    return error;
}

std::optional<QString> FtpSettingList::forgetTrust()
{
    if (!selected_)
        return std::nullopt;
    const SjisString name = names_[*selected_];
    const SjisString before = ReadFtpSetting(store_, name).TlsFingerprint;
    std::optional<QString> error =
        commit([&] { WriteTlsFingerprint(store_, name, {}); }, [&] { WriteTlsFingerprint(store_, name, before); });
    if (!error)
        stored_.TlsFingerprint.clear();
    return error;
}
