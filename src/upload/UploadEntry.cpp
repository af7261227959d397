#include "upload/UploadEntry.h"

#include "document/FieldReader.h"
#include "document/PagePaths.h"
#include "document/TextCodec.h"
#include "upload/TFtpClient.h"
#include "upload/UploadStore.h"

#include <QFile>

bool UploadEntry::BreaksFtpCommand() const
{
    for (const SjisString* text : {&RemoteFolder, &HtmlFile, &User, &Password, &Host})
        if (TFtpClient::BreaksCommandLine(*text))
            return true;
    return false;
}

UnreadablePageFile::UnreadablePageFile(const QString& path, const QString& reason)
    : std::runtime_error(QStringLiteral("%1: %2").arg(path, reason).toStdString()), Reason(reason)
{
}

bool ReadUploadEntry(const QString& pageFilePath, const SettingsStore& store, UploadEntry& entry)
{
    QFile file(pageFilePath);
    if (!file.open(QIODevice::ReadOnly))
        throw UnreadablePageFile(pageFilePath, file.errorString());
    FieldReader reader(file);
    const SjisString tag = reader.readRaw(16);
    int settingField = 0;
    if (tag == "Tav Outliner 1.2")
        settingField = 11;
    else if (tag == "Tav Outliner 1.3" || tag == "Tav Outliner 1.4")
        settingField = 14;
    else
        return false;

    // Fields are counted from 1 after the tag; the rest of the file is not read.
    UploadEntry read = entry;
    SjisString field;
    for (int number = 1; number <= settingField + 1; ++number) {
        if (!reader.next(field))
            field.clear();
        switch (number) {
        case 2: read.Title = field; break;
        case 3: read.HtmlFile = field; break;
        default:
            if (number == settingField)
                read.SettingName = field;
            else if (number == settingField + 1)
                read.RemoteFolder = field;
            break;
        }
    }
    const FtpSetting setting = ReadFtpSetting(store, read.SettingName);
    read.ServerName = setting.HostName;
    SplitHostPort(setting.HostName, read.Host, read.Port);
    read.User = setting.UserName;
    read.Password = setting.PassWord;
    read.Passive = setting.UsePasv;
    read.UseTLS = setting.UseTLS;
    read.AtomicReplace = setting.AtomicReplace;
    read.TlsFingerprint = setting.TlsFingerprint;
    entry = std::move(read);
    return true;
}

void SplitHostPort(SjisView hostName, SjisString& host, uint16_t& port)
{
    port = 21;
    host = SjisString(hostName);
    const size_t colon = hostName.rfind(':');
    // One colon followed by a port number; an IPv6 address keeps its colons.
    if (colon == SjisView::npos || hostName.find(':') != colon || colon + 1 >= hostName.size())
        return;
    unsigned value = 0;
    for (char c : hostName.substr(colon + 1)) {
        if (c < '0' || c > '9' || value > 65535)
            return;
        value = value * 10 + unsigned(c - '0');
    }
    if (value == 0 || value > 65535)
        return;
    host = SjisString(hostName.substr(0, colon));
    port = uint16_t(value);
}

SjisString FolderPrefix(SjisView folder, int n)
{
    SjisString f = PagePaths::IncludeTrailingSlash(folder);
    SjisString result;
    for (int i = 0; i < n + 2; ++i) {
        const size_t slash = f.find('/');
        const SjisString part = f.substr(0, slash);
        result += PagePaths::IncludeTrailingSlash(part);
        if (slash != SjisString::npos)
            f.erase(0, slash + 1);
    }
    return result;
}

bool FolderPrefixIsWhole(SjisView folder, int n)
{
    return FolderPrefix(folder, n) == FolderPrefix(folder, n + 1);
}
