#include "upload/UploadEntry.h"

#include "document/FieldReader.h"
#include "document/PagePaths.h"
#include "document/TextCodec.h"
#include "upload/TFtpClient.h"

#include <QFile>
#include <optional>

bool UploadEntry::BreaksFtpCommand() const
{
    if (Protocol == FtpProtocol::Sftp) {
        for (const SjisString* text : {&RemoteFolder, &HtmlFile, &User, &Password, &Host, &KeyFile})
            if (text->find('\0') != SjisString::npos)
                return true;
        return false;
    }
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
    read.Protocol = setting.Protocol;
    SplitHostPort(setting.HostName, read.Host, read.Port, DefaultPort(setting.Protocol));
    read.User = setting.UserName;
    read.Password = setting.PassWord;
    read.Passive = setting.UsePasv;
    read.AtomicReplace = setting.AtomicReplace;
    read.TlsFingerprint = setting.TlsFingerprint;
    read.KeyFile = setting.KeyFile;
    entry = std::move(read);
    return true;
}

namespace {

// A port number from 1 to 65535, written in decimal digits only.
std::optional<uint16_t> PortNumber(SjisView text)
{
    if (text.empty() || text.size() > 5)
        return std::nullopt;
    unsigned value = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + unsigned(c - '0');
    }
    if (value == 0 || value > 65535)
        return std::nullopt;
    return uint16_t(value);
}

} // namespace

void SplitHostPort(SjisView hostName, SjisString& host, uint16_t& port, uint16_t defaultPort)
{
    port = defaultPort;
    host = SjisString(hostName);
    // "[address]" or "[address]:port": the brackets set an IPv6 address's
    // colons apart from the port's.
    if (!hostName.empty() && hostName.front() == '[') {
        const size_t close = hostName.find(']');
        if (close == SjisView::npos)
            return;
        const SjisView rest = hostName.substr(close + 1);
        std::optional<uint16_t> number = defaultPort;
        if (!rest.empty())
            number = rest.front() == ':' ? PortNumber(rest.substr(1)) : std::nullopt;
        if (!number)
            return;
        host = SjisString(hostName.substr(1, close - 1));
        port = *number;
        return;
    }
    // One colon followed by a port number; a bare IPv6 address keeps its colons.
    const size_t colon = hostName.rfind(':');
    if (colon == SjisView::npos || hostName.find(':') != colon)
        return;
    if (const auto number = PortNumber(hostName.substr(colon + 1))) {
        host = SjisString(hostName.substr(0, colon));
        port = *number;
    }
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
