#include "upload/UploadStore.h"

#include "document/ProgramConstants.h"
#include "document/TextCodec.h"
#include "settings/SettingsStore.h"

#include <algorithm>

namespace {

const QString QueueSection = QStringLiteral("Queue");
const QString QueueValue = QStringLiteral("Upload");
const QString FtpSection = QStringLiteral("Ftp");

// Commits what was written, so that another copy of the program reading the
// store next sees it, and turns a failed write into an error.
void Commit(SettingsStore& store)
{
    if (std::optional<QString> error = store.flush())
        throw StoreWriteError(error->toStdString());
}

const QString SettingNamesValue = QStringLiteral("SettingNameText");

QString EscapedCharacter(QChar c)
{
    return QLatin1Char('%') + QString::number(c.unicode(), 16).toUpper().rightJustified(2, QLatin1Char('0'));
}

// The section of a setting below "Ftp". A name is its own section unless the
// store would read it as structure: "/" and "\\" separate sections, and the
// section named like the names list's value would take that value along when
// erased (in any case: registry names are case-insensitive). Those characters,
// the first of such a name and a "%" that starts %XX are written as %XX, so
// that every name keeps a section of its own and plain names keep theirs.
QString SettingSection(const SjisString& keyName)
{
    const QString name = TextCodec::ToUnicode(keyName);
    auto isHex = [&name](qsizetype i) {
        const char16_t c = i < name.size() ? name[i].unicode() : u' ';
        return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F');
    };
    QString section;
    for (qsizetype i = 0; i < name.size(); ++i) {
        const QChar c = name[i];
        if (c == u'/' || c == u'\\' || (c == u'%' && isHex(i + 1) && isHex(i + 2)))
            section += EscapedCharacter(c);
        else
            section += c;
    }
    if (section.compare(SettingNamesValue, Qt::CaseInsensitive) == 0)
        section.replace(0, 1, EscapedCharacter(section[0]));
    return FtpSection + QLatin1Char('\\') + section;
}

FtpProtocol ReadProtocol(const SettingsStore& store, const QString& section)
{
    const bool useTls = store.readBool(section, QStringLiteral("UseTLS"), false);
    const std::optional<FtpProtocol> named =
        ParseFtpProtocol(store.readText(section, QStringLiteral("Protocol"), SjisString()));
    // SFTP and FTPS as named; for "FTP", another name or none, UseTLS may
    // still ask for TLS.
    if (named == FtpProtocol::Sftp || named == FtpProtocol::Ftps)
        return *named;
    return useTls ? FtpProtocol::Ftps : FtpProtocol::Ftp;
}

void WriteQueue(SettingsStore& store, const std::vector<SjisString>& lines)
{
    store.writeText(QueueSection, QueueValue, JoinLines(lines));
    Commit(store);
}

} // namespace

// Line breaks are single bytes below 0x40, which are never the second byte
// of a double-byte character, so a byte scan splits Shift_JIS text safely.
std::vector<SjisString> SplitLines(SjisView text)
{
    std::vector<SjisString> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find_first_of("\r\n", start);
        if (end == SjisView::npos) {
            lines.emplace_back(text.substr(start));
            break;
        }
        lines.emplace_back(text.substr(start, end - start));
        start = end + 1;
        if (text[end] == '\r' && start < text.size() && text[start] == '\n')
            ++start;
    }
    return lines;
}

SjisString JoinLines(const std::vector<SjisString>& lines)
{
    SjisString text;
    for (const SjisString& line : lines) {
        text += line;
        text += "\r\n";
    }
    return text;
}

std::vector<SjisString> SplitSettingNames(SjisView settingNameText)
{
    return SplitLines(settingNameText);
}

SjisString JoinSettingNames(const std::vector<SjisString>& names)
{
    return JoinLines(names);
}

std::vector<SjisString> ReadUploadQueue(const SettingsStore& store)
{
    return SplitLines(store.readText(QueueSection, QueueValue, SjisString()));
}

void EmptyUploadQueue(SettingsStore& store)
{
    WriteQueue(store, {});
}

void RemoveFromUploadQueue(SettingsStore& store, const std::vector<SjisString>& sent)
{
    store.flush(); // another copy of the program or tavpub may have queued pages meanwhile
    std::vector<SjisString> queue = ReadUploadQueue(store);
    std::erase_if(queue, [&sent](const SjisString& line) {
        return std::find(sent.begin(), sent.end(), line) != sent.end();
    });
    WriteQueue(store, queue);
}

void UpdateQueueAfterSave(SettingsStore& store, SjisView pageFilePath, bool upload)
{
    // Pick up what another copy of the program may have written meanwhile.
    store.flush();
    std::vector<SjisString> queue = ReadUploadQueue(store);
    auto isPath = [pageFilePath](const SjisString& line) { return line == pageFilePath; };
    // Whole lines are compared when adding too: a path that merely occurs
    // inside a longer queued path ("/w/a.data" in "/w/a.data.data") is a
    // different page and must still be queued.
    if (upload) {
        if (std::none_of(queue.begin(), queue.end(), isPath))
            queue.emplace_back(pageFilePath);
    } else {
        std::erase_if(queue, isPath);
    }
    WriteQueue(store, queue);
}

const char* FtpProtocolName(FtpProtocol protocol)
{
    switch (protocol) {
    case FtpProtocol::Ftps: return "FTPS";
    case FtpProtocol::Sftp: return "SFTP";
    case FtpProtocol::Ftp: break;
    }
    return "FTP";
}

std::optional<FtpProtocol> ParseFtpProtocol(SjisView name)
{
    const QString text = TextCodec::ToUnicode(name).trimmed();
    for (FtpProtocol protocol : {FtpProtocol::Ftp, FtpProtocol::Ftps, FtpProtocol::Sftp})
        if (text.compare(QLatin1String(FtpProtocolName(protocol)), Qt::CaseInsensitive) == 0)
            return protocol;
    return std::nullopt;
}

uint16_t DefaultPort(FtpProtocol protocol)
{
    return protocol == FtpProtocol::Sftp ? 22 : 21;
}

SjisString FtpSettingKeyName(SjisView name)
{
    // Blanks and control characters are bytes up to 0x20; trail bytes of
    // double-byte characters are never that low.
    auto isTrimmed = [](char c) { return static_cast<unsigned char>(c) <= 0x20; };
    size_t first = 0;
    while (first < name.size() && isTrimmed(name[first]))
        ++first;
    size_t last = name.size();
    while (last > first && isTrimmed(name[last - 1]))
        --last;
    return SjisString(name.substr(first, last - first));
}

FtpSetting ReadFtpSetting(const SettingsStore& store, SjisView name)
{
    FtpSetting setting;
    const SjisString keyName = FtpSettingKeyName(name);
    if (keyName.empty())
        return setting;
    const QString section = SettingSection(keyName);
    setting.HostName = store.readText(section, QStringLiteral("HostName"), SjisString());
    setting.UserName = store.readText(section, QStringLiteral("UserName"), SjisString());
    setting.PassWord = store.readText(section, QStringLiteral("PassWord"), SjisString());
    setting.UsePasv = store.readBool(section, QStringLiteral("UsePasv"), false);
    setting.Protocol = ReadProtocol(store, section);
    setting.AtomicReplace = store.readBool(section, QStringLiteral("AtomicReplace"), false);
    setting.TlsFingerprint = store.readText(section, QStringLiteral("TlsFingerprint"), SjisString());
    setting.KeyFile = store.readText(section, QStringLiteral("KeyFile"), SjisString());
    return setting;
}

void WriteFtpSetting(SettingsStore& store, SjisView name, const FtpSetting& setting)
{
    const SjisString keyName = FtpSettingKeyName(name);
    if (keyName.empty())
        throw std::invalid_argument("FTP 設定の名前が空です。");
    const QString section = SettingSection(keyName);
    store.writeText(section, QStringLiteral("HostName"), setting.HostName);
    store.writeText(section, QStringLiteral("UserName"), setting.UserName);
    store.writeText(section, QStringLiteral("PassWord"), setting.PassWord);
    store.writeBool(section, QStringLiteral("UsePasv"), setting.UsePasv);
    store.writeBool(section, QStringLiteral("UseTLS"), setting.Protocol == FtpProtocol::Ftps);
    store.writeText(section, QStringLiteral("Protocol"), FtpProtocolName(setting.Protocol));
    store.writeBool(section, QStringLiteral("AtomicReplace"), setting.AtomicReplace);
    store.writeText(section, QStringLiteral("TlsFingerprint"), setting.TlsFingerprint);
    store.writeText(section, QStringLiteral("KeyFile"), setting.KeyFile);
    Commit(store);
}

void EraseFtpSetting(SettingsStore& store, SjisView name)
{
    const SjisString keyName = FtpSettingKeyName(name);
    if (keyName.empty())
        return;
    store.eraseSection(SettingSection(keyName));
    Commit(store);
}

void WriteTlsFingerprint(SettingsStore& store, SjisView name, SjisView fingerprint)
{
    const SjisString keyName = FtpSettingKeyName(name);
    if (keyName.empty())
        throw std::invalid_argument("FTP 設定の名前が空です。");
    store.writeText(SettingSection(keyName), QStringLiteral("TlsFingerprint"), SjisString(fingerprint));
    Commit(store);
}
