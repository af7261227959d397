#pragma once

#include "document/SjisString.h"
#include "upload/UploadStore.h"

#include <QString>
#include <cstdint>
#include <stdexcept>

class SettingsStore;

// What the upload needs of one queued page: from its page file the title,
// the HTML file, the FTP setting name and the remote folder; from that FTP
// setting the server, the protocol, the login and the transfer mode.
struct UploadEntry {
    SjisString Title;
    SjisString HtmlFile; // full local path of the HTML output
    SjisString ServerName; // the setting's HostName as the user wrote it, port included
    SjisString Host;       // without the port
    uint16_t Port = 21;    // the one in ServerName, else the protocol's own
    SjisString User;
    SjisString Password;
    SjisString SettingName;
    SjisString RemoteFolder; // as the user typed it
    FtpProtocol Protocol = FtpProtocol::Ftp;
    bool Passive = false;
    bool AtomicReplace = false;
    SjisString TlsFingerprint; // the certificate the user trusts, "AB:CD:..."
    SjisString KeyFile;        // SFTP's private key, a native path; empty for none

    // Host, port, protocol, login, mode or security differ: another login is needed.
    bool SameServer(const UploadEntry& other) const
    {
        return Host == other.Host && Port == other.Port && Protocol == other.Protocol && User == other.User
               && Password == other.Password && KeyFile == other.KeyFile && Passive == other.Passive
               && TlsFingerprint == other.TlsFingerprint;
    }
    // FTP logs in with user and password; SFTP may log in without a
    // password (the SSH agent, ~/.ssh or the key file), never without a user.
    bool ServerIncomplete() const
    {
        return Host.empty() || User.empty() || (Protocol != FtpProtocol::Sftp && Password.empty());
    }
    // FTP: a line break in a folder, file name, user or password would
    // smuggle a second command into the session, and a NUL byte would cut
    // its command short. SFTP sends each text with its length, so only a NUL
    // byte harms there: the SSH library takes C strings and would act on a
    // shorter path, user or key file than the one stored.
    bool BreaksFtpCommand() const;
};

// A queued page file that cannot be opened: deleted, moved or unreadable.
struct UnreadablePageFile : std::runtime_error {
    UnreadablePageFile(const QString& path, const QString& reason);
    QString Reason; // the platform's text, without the path
};

// Reads a page file of version 1.2 to 1.4 into `entry`, then its FTP setting
// from the store. Returns false for any other format; `entry` then keeps its
// previous contents. A file that cannot be opened throws UnreadablePageFile.
bool ReadUploadEntry(const QString& pageFilePath, const SettingsStore& store, UploadEntry& entry);

// An FTP setting's HostName may carry the port as "host:port" (an IPv6
// address in brackets); `defaultPort` otherwise.
void SplitHostPort(SjisView hostName, SjisString& host, uint16_t& port, uint16_t defaultPort);

// The first n + 2 slash-separated fields of the folder, each followed by
// "/", empty fields dropped: "a/b/c" gives "a/b/" for n = 0 and "a/b/c/"
// from n = 1 on.
SjisString FolderPrefix(SjisView folder, int n);

// True when FolderPrefix (folder, n) already holds every field of the folder.
bool FolderPrefixIsWhole(SjisView folder, int n);
