#pragma once

#include "document/SjisString.h"
#include "upload/UploadStore.h"

#include <QString>
#include <functional>
#include <optional>
#include <vector>

class SettingsStore;
struct Settings;

// The named FTP settings as the preferences' FTP tab works on them: the
// rows of names, the one row whose setting the tab's group shows and
// stores, and the commands that change them.
//
// A command writes to the store at once, the changed setting together with
// the names list (which also goes into the settings in memory), so that
// rows, settings and store agree after every step. A write the store
// refuses is taken back: the rows are as before, and the values the store
// still holds to write are put back, so that a later write that succeeds
// does not carry half of the failed command with it.
class FtpSettingList {
public:
    FtpSettingList(Settings& settings, SettingsStore& store);

    // Refills the rows from the settings' names and selects the row the
    // group starts on: the default setting's, else the first one.
    void load();

    const std::vector<SjisString>& names() const { return names_; }
    std::optional<size_t> selectedRow() const { return selected_; }
    // Selects a row, or none, and reads its setting from the store.
    void select(std::optional<size_t> row);
    // The selected setting as stored: what the group shows until edited.
    const FtpSetting& stored() const { return stored_; }
    bool contains(SjisView name) const;
    // The default setting stays; a name listed twice keeps its setting
    // until its last row goes.
    bool canDelete() const;

    // Why a name (already trimmed) cannot be added: blank, or holding a
    // control character, which would break the names list into lines.
    static std::optional<QString> NameProblem(SjisView name);

    // Each command returns nothing when done, or the store's error after
    // taking the command back.
    //
    // Stores `setting` under `name` and selects its row; a name not yet
    // listed gets a row at the end.
    std::optional<QString> add(SjisView name, const FtpSetting& setting);
    // Stores `setting` under the selected row's name.
    std::optional<QString> apply(const FtpSetting& setting);
    // Deletes the selected row and its setting, then selects the row the
    // group starts on.
    std::optional<QString> remove();
    // Takes back the trust in a certificate for the selected setting.
    std::optional<QString> forgetTrust();

private:
    void selectStartRow();
    void writeNames();
    // Runs `write`; when the store refuses, restores the rows, runs `undo`
    // and writes the old names again, ignoring what the store refuses then.
    std::optional<QString> commit(const std::function<void()>& write, const std::function<void()>& undo);

    Settings& settings_;
    SettingsStore& store_;
    std::vector<SjisString> names_;
    std::optional<size_t> selected_;
    FtpSetting stored_;
};
