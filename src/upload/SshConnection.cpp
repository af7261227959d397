#include "upload/SshConnection.h"

#include "upload/SftpErrors.h"
#include "upload/SshInterrupt.h"
#include "upload/SshKnownHosts.h"

#include <QDir>
#include <QFileInfo>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <libssh/libssh.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// The user's key files in OpenSSH's order of preference, then any other
// id_* key there.
QStringList IdentityFiles(const QString& sshDir)
{
    QStringList files;
    for (const char* name : {"id_ed25519", "id_ecdsa", "id_rsa", "id_dsa"}) {
        const QString path = sshDir + QLatin1Char('/') + QLatin1String(name);
        if (QFileInfo(path).isFile())
            files << path;
    }
    const QDir dir(sshDir);
    for (const QString& name : dir.entryList({QStringLiteral("id_*")}, QDir::Files, QDir::Name)) {
        const QString path = dir.filePath(name);
        if (!name.endsWith(QLatin1String(".pub")) && !files.contains(path))
            files << path;
    }
    return files;
}

struct KeyHolder {
    ssh_key key = nullptr;
    ~KeyHolder() { ssh_key_free(key); }
};

struct AddressList {
    addrinfo* first = nullptr;
    ~AddressList() { freeaddrinfo(first); }
};

} // namespace

void SshConnection::Fail(const QString& what)
{
    throw ESftpError(QStringLiteral("%1 (%2): %3").arg(what, host_, QString::fromUtf8(ssh_get_error(session_))));
}

void SshConnection::Open(const SftpLogin& login)
{
    Close();
    host_ = QStringLiteral("%1:%2").arg(login.host).arg(login.port);
    const QString sshDir = login.sshDir.isEmpty() ? QDir::homePath() + QStringLiteral("/.ssh") : login.sshDir;
    const QString knownHosts = login.knownHostsFile.isEmpty() ? sshDir + QStringLiteral("/known_hosts")
                                                               : login.knownHostsFile;
    try {
        session_ = ssh_new();
        if (!session_)
            throw ESftpError(QStringLiteral("Cannot start an SSH session"));
        // Only what the setting says: the user's ssh_config could name
        // another host, port or key, and known_hosts would not match.
        const bool no = false;
        const unsigned port = login.port;
        ssh_options_set(session_, SSH_OPTIONS_PROCESS_CONFIG, &no);
        ssh_options_set(session_, SSH_OPTIONS_HOST, login.host.toUtf8().constData());
        ssh_options_set(session_, SSH_OPTIONS_PORT, &port);
        if (!login.user.isEmpty())
            ssh_options_set(session_, SSH_OPTIONS_USER, login.user.toUtf8().constData());
        ssh_options_set(session_, SSH_OPTIONS_SSH_DIR, QFile::encodeName(sshDir).constData());
        ssh_options_set(session_, SSH_OPTIONS_KNOWNHOSTS, QFile::encodeName(knownHosts).constData());
        socket_ = ConnectTcp(login);
        ssh_options_set(session_, SSH_OPTIONS_FD, &socket_);
        interrupt_.Attach(socket_);
        if (ssh_connect(session_) != SSH_OK)
            Fail(QStringLiteral("The SSH handshake failed"));
        interrupt_.Touch();
        CheckHostKey(login, knownHosts);
        Authenticate(login, sshDir);
        OpenSftp();
    } catch (...) {
        Close();
        throw;
    }
}

int SshConnection::ConnectTcp(const SftpLogin& login)
{
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    AddressList addresses;
    const int rc = getaddrinfo(login.host.toUtf8().constData(), QByteArray::number(login.port).constData(),
                               &hints, &addresses.first);
    if (rc != 0)
        throw ESftpError(QStringLiteral("Cannot find the host %1: %2").arg(login.host, QString::fromUtf8(gai_strerror(rc))));
    int error = 0;
    for (addrinfo* a = addresses.first; a; a = a->ai_next) {
        const int fd = ::socket(a->ai_family, a->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, a->ai_protocol);
        if (fd < 0) {
            error = errno;
            continue;
        }
        error = ::connect(fd, a->ai_addr, a->ai_addrlen) == 0 ? 0 : errno;
        if (error == EINPROGRESS) {
            // Waits for the connection or a stop from the caller's thread.
            pollfd waits[2] = {{fd, POLLOUT, 0}, {interrupt_.WakeFd(), POLLIN, 0}};
            while (::poll(waits, 2, -1) < 0 && errno == EINTR) {
            }
            if (waits[1].revents) {
                ::close(fd);
                throw ESftpCancelled(QStringLiteral("Connecting to %1 was stopped").arg(host_));
            }
            socklen_t size = sizeof error;
            ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &size);
        }
        if (error == 0) {
            // libssh waits on the socket itself.
            ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
            // Every write is a whole SSH packet: holding back a small one
            // until the last is acknowledged only adds a delayed ACK's wait
            // to each request.
            const int on = 1;
            ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
            return fd;
        }
        ::close(fd);
    }
    throw ESftpError(QStringLiteral("Cannot connect to %1: %2").arg(host_, QString::fromUtf8(std::strerror(error))));
}

void SshConnection::CheckHostKey(const SftpLogin& login, const QString& knownHostsFile)
{
    KeyHolder key;
    if (ssh_get_server_publickey(session_, &key.key) != SSH_OK)
        Fail(QStringLiteral("The server sent no host key"));
    char* base64 = nullptr;
    if (ssh_pki_export_pubkey_base64(key.key, &base64) != SSH_OK)
        Fail(QStringLiteral("The server's host key cannot be read"));
    const QString fingerprint = SshKnownHosts::Fingerprint(QByteArray::fromBase64(base64));
    ssh_string_free_char(base64);
    const QString name = SshKnownHosts::EntryName(login.host, login.port);

    switch (ssh_session_is_known_server(session_)) {
    case SSH_KNOWN_HOSTS_OK:
        return;
    case SSH_KNOWN_HOSTS_CHANGED:
    case SSH_KNOWN_HOSTS_OTHER: // only a key of another type is known: as suspect as a changed one
        throw EHostKeyChanged(name, fingerprint, knownHostsFile);
    case SSH_KNOWN_HOSTS_UNKNOWN:
    case SSH_KNOWN_HOSTS_NOT_FOUND:
        break;
    case SSH_KNOWN_HOSTS_ERROR:
        Fail(QStringLiteral("Cannot check the host key against %1").arg(knownHostsFile));
    }
    if (!SshKnownHosts::SameFingerprint(login.trustFingerprint, fingerprint))
        throw EHostKeyUnknown(name, fingerprint);
    char* entry = nullptr;
    if (ssh_session_export_known_hosts_entry(session_, &entry) != SSH_OK)
        Fail(QStringLiteral("Cannot write the host key's entry"));
    const QByteArray line(entry);
    ssh_string_free_char(entry);
    SshKnownHosts::Append(knownHostsFile, line);
}

bool SshConnection::Accepted(int authResult)
{
    interrupt_.Touch();
    if (authResult == SSH_AUTH_ERROR)
        Fail(QStringLiteral("The login failed"));
    return authResult == SSH_AUTH_SUCCESS;
}

void SshConnection::Authenticate(const SftpLogin& login, const QString& sshDir)
{
    // "none" asks the server which ways it takes; a few servers let us in.
    if (Accepted(ssh_userauth_none(session_, nullptr)))
        return;
    // A partial success changes the list, so it is asked before each way.
    const auto offers = [this](int method) { return (ssh_userauth_list(session_, nullptr) & method) != 0; };
    QStringList tried;
    QStringList problems;
    if (login.useAgent && qEnvironmentVariableIsSet("SSH_AUTH_SOCK") && offers(SSH_AUTH_METHOD_PUBLICKEY)) {
        tried << QStringLiteral("the SSH agent's keys");
        if (Accepted(ssh_userauth_agent(session_, nullptr)))
            return;
    }
    for (const QString& file : IdentityFiles(sshDir)) {
        if (!offers(SSH_AUTH_METHOD_PUBLICKEY))
            break;
        tried << QFileInfo(file).fileName();
        if (TryKey(file, {}, problems))
            return;
    }
    if (!login.keyFile.isEmpty()) {
        tried << login.keyFile;
        if (!QFileInfo(login.keyFile).isFile())
            problems << QStringLiteral("the key file %1 does not exist").arg(login.keyFile);
        else if (offers(SSH_AUTH_METHOD_PUBLICKEY) && TryKey(login.keyFile, login.password, problems))
            return;
    }
    if (!login.password.isEmpty() && offers(SSH_AUTH_METHOD_PASSWORD)) {
        tried << QStringLiteral("password");
        if (Accepted(ssh_userauth_password(session_, nullptr, login.password.toUtf8().constData())))
            return;
    }
    if (!login.password.isEmpty() && offers(SSH_AUTH_METHOD_INTERACTIVE)) {
        tried << QStringLiteral("keyboard-interactive");
        if (TryKeyboardInteractive(login.password))
            return;
    }
    QString text = QStringLiteral("Permission denied: %1 did not accept the login of %2")
                       .arg(host_, login.user.isEmpty() ? QStringLiteral("the local user") : login.user);
    text += tried.isEmpty() ? QStringLiteral(" (no key or password to offer)")
                            : QStringLiteral(" (tried: %1)").arg(tried.join(QStringLiteral(", ")));
    if (!problems.isEmpty())
        text += QStringLiteral("; ") + problems.join(QStringLiteral("; "));
    throw ESftpError(text);
}

bool SshConnection::TryKey(const QString& privateKey, const QString& passphrase, QStringList& problems)
{
    // The public half, when it is there, is offered first: the private key
    // (perhaps encrypted) is read only for a key the server would take.
    KeyHolder publicKey;
    const QByteArray publicFile = QFile::encodeName(privateKey + QStringLiteral(".pub"));
    if (QFileInfo::exists(privateKey + QStringLiteral(".pub"))
        && ssh_pki_import_pubkey_file(publicFile.constData(), &publicKey.key) == SSH_OK
        && !Accepted(ssh_userauth_try_publickey(session_, nullptr, publicKey.key)))
        return false;
    KeyHolder key;
    const QByteArray file = QFile::encodeName(privateKey);
    if (ssh_pki_import_privkey_file(file.constData(), nullptr, nullptr, nullptr, &key.key) != SSH_OK
        && (passphrase.isEmpty()
            || ssh_pki_import_privkey_file(file.constData(), passphrase.toUtf8().constData(), nullptr, nullptr,
                                           &key.key) != SSH_OK)) {
        problems << QStringLiteral("the key %1 cannot be read (a passphrase?)").arg(privateKey);
        return false;
    }
    return Accepted(ssh_userauth_publickey(session_, nullptr, key.key));
}

bool SshConnection::TryKeyboardInteractive(const QString& password)
{
    const QByteArray answer = password.toUtf8();
    // Each round the server asks its questions; every one is answered with
    // the password. A server may send rounds without questions.
    for (int round = 0; round < 8; ++round) {
        const int rc = ssh_userauth_kbdint(session_, nullptr, nullptr);
        if (rc != SSH_AUTH_INFO)
            return Accepted(rc);
        const int prompts = ssh_userauth_kbdint_getnprompts(session_);
        for (int i = 0; i < prompts; ++i)
            ssh_userauth_kbdint_setanswer(session_, unsigned(i), answer.constData());
    }
    return false;
}

void SshConnection::OpenSftp()
{
    channel_ = ssh_channel_new(session_);
    if (!channel_ || ssh_channel_open_session(channel_) != SSH_OK)
        Fail(QStringLiteral("Cannot open a channel"));
    if (ssh_channel_request_subsystem(channel_, "sftp") != SSH_OK)
        Fail(QStringLiteral("The server does not offer SFTP"));
    interrupt_.Touch();
    auto sftp = std::make_unique<SftpChannel>(channel_, interrupt_, host_);
    sftp->Init();
    sftp_ = std::move(sftp);
}

void SshConnection::Close()
{
    const bool sound = Healthy() && !interrupt_.Broken();
    sftp_.reset();
    if (channel_) {
        if (sound)
            ssh_channel_close(channel_);
        ssh_channel_free(channel_);
        channel_ = nullptr;
    }
    if (session_) {
        interrupt_.Detach();
        if (sound)
            ssh_disconnect(session_);
        ssh_free(session_);
        session_ = nullptr;
    }
    // libssh leaves a socket it was handed open: without this the server
    // would see the session end only when the program does.
    if (socket_ >= 0) {
        ::close(socket_);
        socket_ = -1;
    }
}
