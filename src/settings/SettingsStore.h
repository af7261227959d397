#pragma once

#include "document/SjisString.h"

#include <QString>
#include <memory>
#include <optional>

class QSettings;

// A registry-like store: values are texts, grouped in sections; a section
// may hold sub-sections ("Tool\IE-LINK"); the empty section holds the values
// directly under the key. Texts are converted between code page 932 and
// Unicode here, so callers read and write the model's bytes.
class SettingsStore {
public:
    virtual ~SettingsStore() = default;

    virtual std::optional<QString> value(const QString& section, const QString& name) const = 0;
    virtual void setValue(const QString& section, const QString& name, const QString& text) = 0;
    // Deletes the section with every value and sub-section in it.
    virtual void eraseSection(const QString& section) = 0;
    // Writes what is pending; returns the platform's error, if any.
    virtual std::optional<QString> flush() = 0;

    // Missing values read as the default.
    SjisString readText(const QString& section, const QString& name, const SjisString& fallback) const;
    // Missing values and texts that are not decimal integers read as the default.
    int readInteger(const QString& section, const QString& name, int fallback) const;
    // An integer other than 0 is true, 0 is false; anything else reads as the default.
    bool readBool(const QString& section, const QString& name, bool fallback) const;

    void writeText(const QString& section, const QString& name, SjisView text);
    void writeInteger(const QString& section, const QString& name, int value);
    void writeBool(const QString& section, const QString& name, bool value);
};

// The store on QSettings: the registry on Windows, an INI file on Linux
// ($XDG_CONFIG_HOME/ORGANIZATION/APPLICATION.conf). It holds FTP passwords,
// so the file and the temporary and lock files written beside it are
// readable by their owner only, from the moment they are created.
class QSettingsStore final : public SettingsStore {
public:
    // The program's settings: organization "Tav", application "QUIB".
    QSettingsStore();
    QSettingsStore(const QString& organization, const QString& application);
    // A store in the given INI file (tests, tools).
    explicit QSettingsStore(const QString& iniFilePath);
    ~QSettingsStore() override;

    std::optional<QString> value(const QString& section, const QString& name) const override;
    void setValue(const QString& section, const QString& name, const QString& text) override;
    void eraseSection(const QString& section) override;
    std::optional<QString> flush() override;

    QString fileName() const;

private:
    class OwnerOnlySettings;
    std::unique_ptr<OwnerOnlySettings> settings_;
};

// Parses a decimal integer as the store reads it (optional sign, digits,
// blanks around); nothing for other texts.
std::optional<int> ParseStoredInteger(const QString& text);
