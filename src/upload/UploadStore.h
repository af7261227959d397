#pragma once

#include "document/SjisString.h"

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <vector>

class SettingsStore;

// The upload queue and the named FTP settings, kept in the program's
// settings store next to the preferences:
//   Queue\Upload          queued page-file paths, one per line, each ended by CR LF
//   Ftp\SettingNameText   the FTP setting names, same line form
//   Ftp\<name>\...        HostName, UserName, PassWord, UsePasv, Protocol... of one setting;
//                         the trimmed name, with "/", "\" and a "%" before two
//                         hex digits written as %XX, and the first letter of
//                         a name equal to "SettingNameText" (in any case) too
// Names are case-sensitive, as the names list is: "srv" and "Srv" are two
// settings here (the Windows registry would give them one key).
// Every operation reads or writes the store at once; nothing is cached, so
// two running copies of the program see each other's changes. Every write
// throws StoreWriteError when the store cannot be written.

// A write the store could not complete (disk full, file not writable).
struct StoreWriteError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// ---- line lists ------------------------------------------------------------

// Splits a text into lines at CR LF, LF or CR. A final line break does not
// start another line, and a last line without one is still a line.
std::vector<SjisString> SplitLines(SjisView text);
// Every line followed by CR LF; an empty list is the empty text.
SjisString JoinLines(const std::vector<SjisString>& lines);

// The FTP setting names of the stored SettingNameText value; a missing
// value is the list holding the default setting "(規定値)" alone.
std::vector<SjisString> SplitSettingNames(SjisView settingNameText);
SjisString JoinSettingNames(const std::vector<SjisString>& names);

// ---- upload queue ----------------------------------------------------------

std::vector<SjisString> ReadUploadQueue(const SettingsStore& store);
// Writes the empty queue (the menu command).
void EmptyUploadQueue(SettingsStore& store);
// After an upload run: re-reads the queue and removes the lines that were
// sent, so that pages queued while the run went on stay queued.
void RemoveFromUploadQueue(SettingsStore& store, const std::vector<SjisString>& sent);
// Run by every save after the HTML file is written: with `upload` set the
// path is appended unless the queue already holds it, otherwise every line
// equal to it is removed. The queue is written back in both cases.
void UpdateQueueAfterSave(SettingsStore& store, SjisView pageFilePath, bool upload);

// ---- FTP settings ----------------------------------------------------------

// How a setting reaches its server.
enum class FtpProtocol {
    Ftp,  // plain FTP: password and files in clear
    Ftps, // FTP with explicit TLS (AUTH TLS), required
    Sftp, // SSH file transfer
};

// The store's names, "FTP", "FTPS" and "SFTP".
const char* FtpProtocolName(FtpProtocol protocol);
// A stored name, in any case and with blanks around it; nothing for
// another text.
std::optional<FtpProtocol> ParseFtpProtocol(SjisView name);
// The port a host name without ":port" means: 22 for SFTP, 21 for FTP and FTPS.
uint16_t DefaultPort(FtpProtocol protocol);

struct FtpSetting {
    SjisString HostName;
    SjisString UserName;
    SjisString PassWord; // plain text, exactly as typed
    bool UsePasv = false; // passive transfers; active (PORT) when false
    FtpProtocol Protocol = FtpProtocol::Ftp;
    // Store under a temporary name, then rename over the old file, so that a
    // visitor never sees half a page.
    bool AtomicReplace = false;
    // SHA-256 of a certificate the user chose to trust although it failed
    // verification, as "AB:CD:..."; empty when none.
    SjisString TlsFingerprint;
    // Private key for SFTP, a native path; empty lets the SSH agent and the
    // usual keys of ~/.ssh log in. Kept for the other protocols too, so
    // that trying another protocol does not lose it. (The initializer lets
    // a setting written out in order leave it off without a warning.)
    SjisString KeyFile = {};

    bool operator==(const FtpSetting&) const = default;
};

// The store section of a setting: its name without leading and trailing
// blanks and control characters; empty when nothing else is left.
SjisString FtpSettingKeyName(SjisView name);

// Missing values read as empty texts, active mode, plain FTP and a plain
// store, so settings written before these values existed work as before.
// The protocol is read from Protocol; without it (an older build wrote the
// setting) or with a name this build does not know, from UseTLS. "FTP" with
// UseTLS set reads as FTPS: a build that knows no Protocol turned TLS on
// since, and plain FTP would send the password in clear.
FtpSetting ReadFtpSetting(const SettingsStore& store, SjisView name);
// Writes every value together, in a fixed order, UseTLS among them (set for
// FTPS alone) so that an older build reads FTP and FTPS settings as meant.
// A name that is blank after trimming is refused with std::invalid_argument:
// its section would be the one that holds the list of names.
void WriteFtpSetting(SettingsStore& store, SjisView name, const FtpSetting& setting);
// Removes the setting with all its values. The names list is not touched
// (it is written with the other settings); a blank name erases nothing.
void EraseFtpSetting(SettingsStore& store, SjisView name);
// Records the certificate the user chose to trust, leaving the other values.
void WriteTlsFingerprint(SettingsStore& store, SjisView name, SjisView fingerprint);
