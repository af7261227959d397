#pragma once

#include <QString>

class SftpClient;

// Stores a page over SFTP. With atomic replace the page goes under a
// temporary name beside the live one and is renamed over it once the server
// has all of it, so that a visitor sees the old page or the new one.
class SftpStore {
public:
    explicit SftpStore(SftpClient& sftp) : sftp_(sftp) {}

    // Sends `localPath` to `name` in the client's current folder. Raises when
    // the page is not live; a temporary file is then removed, unless the
    // live page is already gone: the new one stays under its temporary
    // name, and the reason names it.
    void Store(const QString& localPath, const QString& name, const QString& temporary, bool atomic);

    // The server would not rename over the live page, so it was deleted first.
    bool ReplacedByDeleting() const { return replacedByDeleting_; }

private:
    void RenameOverLive(const QString& temporary, const QString& name);
    void RemoveTemporary(const QString& temporary);

    SftpClient& sftp_;
    bool replacedByDeleting_ = false;
};
