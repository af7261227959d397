#include "settings/SettingsStore.h"

#include "document/TextCodec.h"

#include <QFile>
#include <QSettings>

namespace {

QString Key(const QString& section, const QString& name)
{
    if (section.isEmpty())
        return name;
    QString group = section;
    group.replace(QLatin1Char('\\'), QLatin1Char('/'));
    return group + QLatin1Char('/') + name;
}

} // namespace

std::optional<int> ParseStoredInteger(const QString& text)
{
    bool ok = false;
    int value = text.trimmed().toInt(&ok, 10);
    if (!ok)
        return std::nullopt;
    return value;
}

SjisString SettingsStore::readText(const QString& section, const QString& name, const SjisString& fallback) const
{
    std::optional<QString> text = value(section, name);
    return text ? TextCodec::FromUnicodeWithReferences(*text) : fallback;
}

int SettingsStore::readInteger(const QString& section, const QString& name, int fallback) const
{
    std::optional<QString> text = value(section, name);
    std::optional<int> number = text ? ParseStoredInteger(*text) : std::nullopt;
    return number.value_or(fallback);
}

bool SettingsStore::readBool(const QString& section, const QString& name, bool fallback) const
{
    std::optional<QString> text = value(section, name);
    std::optional<int> number = text ? ParseStoredInteger(*text) : std::nullopt;
    return number ? *number != 0 : fallback;
}

void SettingsStore::writeText(const QString& section, const QString& name, SjisView text)
{
    setValue(section, name, TextCodec::ToUnicode(text));
}

void SettingsStore::writeInteger(const QString& section, const QString& name, int value)
{
    setValue(section, name, QString::number(value));
}

void SettingsStore::writeBool(const QString& section, const QString& name, bool value)
{
    setValue(section, name, value ? QStringLiteral("1") : QStringLiteral("0"));
}

QSettingsStore::QSettingsStore() : QSettingsStore(QStringLiteral("Tav"), QStringLiteral("QUIB")) {}

QSettingsStore::QSettingsStore(const QString& organization, const QString& application)
    : settings_(std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope, organization, application))
{
}

QSettingsStore::QSettingsStore(const QString& iniFilePath)
    : settings_(std::make_unique<QSettings>(iniFilePath, QSettings::IniFormat))
{
}

QSettingsStore::~QSettingsStore()
{
    flush();
}

std::optional<QString> QSettingsStore::value(const QString& section, const QString& name) const
{
    QVariant v = settings_->value(Key(section, name));
    if (!v.isValid())
        return std::nullopt;
    // Lists appear when a value holds a comma; the registry kept it as one text.
    if (v.typeId() == QMetaType::QStringList)
        return v.toStringList().join(QLatin1Char(','));
    return v.toString();
}

void QSettingsStore::setValue(const QString& section, const QString& name, const QString& text)
{
    settings_->setValue(Key(section, name), text);
}

void QSettingsStore::eraseSection(const QString& section)
{
    if (section.isEmpty())
        settings_->clear();
    else
        settings_->remove(Key(section, QStringLiteral("x")).chopped(2));
}

std::optional<QString> QSettingsStore::flush()
{
    settings_->sync();
    QString file = settings_->fileName();
#ifndef _WIN32
    if (QFile::exists(file))
        QFile::setPermissions(file, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
#endif
    switch (settings_->status()) {
    case QSettings::NoError:
        return std::nullopt;
    case QSettings::AccessError:
        return QString::fromUtf8("設定を書き込めませんでした: %1 に書き込む権限がありません。").arg(file);
    case QSettings::FormatError:
        return QString::fromUtf8("設定ファイル %1 の形式が正しくありません。").arg(file);
    }
    return std::nullopt;
}

QString QSettingsStore::fileName() const
{
    return settings_->fileName();
}
