#include "settings/SettingsStore.h"

#include "document/TextCodec.h"

#include <QEvent>
#include <QFile>
#include <QSettings>
#include <mutex>
#ifndef _WIN32
#include <sys/stat.h>
#endif

namespace {

// While one lives, the files this process creates get no group or other
// permission bits. The umask belongs to the whole process: the lock keeps
// two stores from interleaving their save and restore, and a guard spans
// one store write only. A file another thread created meanwhile would come
// out private as well; the program creates its files on the GUI thread.
class OwnerOnlyFiles {
public:
#ifndef _WIN32
    OwnerOnlyFiles() : lock_(Mutex()), previous_(::umask(077)) {}
    ~OwnerOnlyFiles() { ::umask(previous_); }
    OwnerOnlyFiles(const OwnerOnlyFiles&) = delete;
    OwnerOnlyFiles& operator=(const OwnerOnlyFiles&) = delete;

private:
    static std::recursive_mutex& Mutex()
    {
        static std::recursive_mutex mutex;
        return mutex;
    }
    std::lock_guard<std::recursive_mutex> lock_;
    mode_t previous_;
#endif
};

// A store file left readable by others (by an earlier version, or by hand)
// is closed to them before new values go in: rewriting it copies its mode.
void CloseToOthers(const QString& file)
{
#ifndef _WIN32
    if (QFile::exists(file))
        QFile::setPermissions(file, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
#else
    Q_UNUSED(file);
#endif
}

QString Key(const QString& section, const QString& name)
{
    if (section.isEmpty())
        return name;
    QString group = section;
    group.replace(QLatin1Char('\\'), QLatin1Char('/'));
    return group + QLatin1Char('/') + name;
}

} // namespace

// QSettings writes its file, beside it a temporary file and a lock file, on
// sync(), from the event loop a moment after a change, when it is destroyed,
// and when it is opened (another QSettings of this process on the same file
// may have left changes pending). Every one of these runs under OwnerOnlyFiles.
class QSettingsStore::OwnerOnlySettings final : public QSettings {
public:
    using QSettings::QSettings;

    template <typename... Args>
    static std::unique_ptr<OwnerOnlySettings> Open(Args&&... args)
    {
        OwnerOnlyFiles guard;
        return std::make_unique<OwnerOnlySettings>(std::forward<Args>(args)...);
    }

    ~OwnerOnlySettings() override { write(); }

    void write()
    {
        OwnerOnlyFiles guard;
        CloseToOthers(fileName());
        sync();
    }

protected:
    bool event(QEvent* event) override
    {
        if (event->type() != QEvent::UpdateRequest)
            return QSettings::event(event);
        OwnerOnlyFiles guard;
        CloseToOthers(fileName());
        return QSettings::event(event);
    }
};

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
    : settings_(OwnerOnlySettings::Open(QSettings::NativeFormat, QSettings::UserScope, organization, application))
{
}

QSettingsStore::QSettingsStore(const QString& iniFilePath)
    : settings_(OwnerOnlySettings::Open(iniFilePath, QSettings::IniFormat))
{
}

// OwnerOnlySettings writes what is pending as it goes.
QSettingsStore::~QSettingsStore() = default;

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
    settings_->write();
    const QString file = settings_->fileName();
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
