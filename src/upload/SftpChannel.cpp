#include "upload/SftpChannel.h"

#include "upload/SftpErrors.h"
#include "upload/SshInterrupt.h"

#include <QFile>
#include <QtEndian>
#include <libssh/libssh.h>
#include <map>

namespace {

// The server's own words when it sent any, else the status's standard text.
QString StatusMessage(quint32 code, const QByteArray& message)
{
    const QString text = QString::fromUtf8(message).trimmed();
    return text.isEmpty() ? Sftp::StatusText(code) : text;
}

} // namespace

SftpChannel::SftpChannel(ssh_channel_struct* channel, SshInterrupt& interrupt, const QString& host)
    : channel_(channel), interrupt_(interrupt), host_(host)
{
}

void SftpChannel::Lost(const QString& why)
{
    healthy_ = false;
    throw ESftpError(QStringLiteral("The connection to %1 was lost: %2").arg(host_, why));
}

void SftpChannel::Malformed()
{
    Lost(QStringLiteral("the server sent a reply that is not SFTP"));
}

void SftpChannel::Send(QByteArrayView packet)
{
    if (!healthy_)
        Lost(QStringLiteral("an earlier failure"));
    // Blocks until libssh has taken every byte (the channel's window allows).
    if (ssh_channel_write(channel_, packet.data(), quint32(packet.size())) != int(packet.size()))
        Lost(QString::fromUtf8(ssh_get_error(ssh_channel_get_session(channel_))));
    interrupt_.Touch();
}

void SftpChannel::ReadExactly(char* out, qsizetype n)
{
    while (n > 0) {
        const int got = ssh_channel_read(channel_, out, quint32(n), 0);
        if (got == SSH_ERROR)
            Lost(QString::fromUtf8(ssh_get_error(ssh_channel_get_session(channel_))));
        if (got == 0)
            Lost(QStringLiteral("the server closed the connection"));
        interrupt_.Touch();
        out += got;
        n -= got;
    }
}

QByteArray SftpChannel::ReadPacket()
{
    char length[4];
    ReadExactly(length, 4);
    const auto n = qFromBigEndian<quint32>(length);
    if (n == 0 || n > Sftp::MaxPacket)
        Malformed();
    QByteArray body(qsizetype(n), Qt::Uninitialized);
    ReadExactly(body.data(), body.size());
    return body;
}

QByteArray SftpChannel::Exchange(const QByteArray& packet, quint32 id)
{
    Send(packet);
    QByteArray reply = ReadPacket();
    Sftp::PacketReader r(reply);
    r.U8();
    if (r.U32() != id || !r.Ok())
        Malformed(); // one request at a time: any other id is out of step
    return reply;
}

void SftpChannel::ExpectOk(const QByteArray& reply, const QString& what)
{
    Sftp::PacketReader r(reply);
    const quint8 type = r.U8();
    r.U32();
    const quint32 code = r.U32();
    const QByteArray message = r.String();
    if (type != Sftp::Status || !r.Ok())
        Malformed();
    if (code != Sftp::Ok)
        throw ESftpError(what + QStringLiteral(": ") + StatusMessage(code, message), int(code));
}

void SftpChannel::Init()
{
    Sftp::PacketWriter w(Sftp::Init);
    Send(w.U32(3).Finish());
    const QByteArray reply = ReadPacket();
    Sftp::PacketReader r(reply);
    if (r.U8() != Sftp::Version || r.U32() < 3 || !r.Ok())
        Lost(QStringLiteral("the server does not speak SFTP version 3"));
    while (!r.AtEnd()) {
        const QByteArray name = r.String();
        const QByteArray data = r.String();
        if (!r.Ok())
            Malformed();
        if (name == "posix-rename@openssh.com" && data == "1")
            posixRename_ = true;
    }
}

QString SftpChannel::RealPath(const QString& path)
{
    const quint32 id = NextId();
    const QByteArray reply = Exchange(Sftp::PacketWriter(Sftp::RealPath).U32(id).Text(path).Finish(), id);
    Sftp::PacketReader r(reply);
    if (r.U8() == Sftp::Status)
        ExpectOk(reply, QStringLiteral("Cannot find %1").arg(path));
    r.U32();
    const quint32 count = r.U32();
    const QByteArray name = r.String();
    if (!r.Ok() || count < 1)
        Malformed();
    return QString::fromUtf8(name);
}

Sftp::Attributes SftpChannel::Stat(const QString& path)
{
    const quint32 id = NextId();
    const QByteArray reply = Exchange(Sftp::PacketWriter(Sftp::Stat).U32(id).Text(path).Finish(), id);
    Sftp::PacketReader r(reply);
    if (r.U8() == Sftp::Status)
        ExpectOk(reply, QStringLiteral("Cannot find %1").arg(path));
    r.U32();
    const Sftp::Attributes a = r.ReadAttributes();
    if (!r.Ok())
        Malformed();
    return a;
}

void SftpChannel::MakeDirectory(const QString& path)
{
    const quint32 id = NextId();
    ExpectOk(Exchange(Sftp::PacketWriter(Sftp::MakeDir).U32(id).Text(path).NoAttributes().Finish(), id),
             QStringLiteral("Cannot make the folder %1").arg(path));
}

void SftpChannel::Remove(const QString& path)
{
    const quint32 id = NextId();
    ExpectOk(Exchange(Sftp::PacketWriter(Sftp::Remove).U32(id).Text(path).Finish(), id),
             QStringLiteral("Cannot delete %1").arg(path));
}

void SftpChannel::Rename(const QString& from, const QString& to)
{
    const quint32 id = NextId();
    const QString what = QStringLiteral("Cannot rename %1 to %2").arg(from, to);
    if (posixRename_) {
        Sftp::PacketWriter w(Sftp::Extended);
        w.U32(id).String("posix-rename@openssh.com").Text(from).Text(to);
        ExpectOk(Exchange(w.Finish(), id), what);
    } else {
        ExpectOk(Exchange(Sftp::PacketWriter(Sftp::Rename).U32(id).Text(from).Text(to).Finish(), id), what);
    }
}

QByteArray SftpChannel::OpenForWriting(const QString& path)
{
    const quint32 id = NextId();
    Sftp::PacketWriter w(Sftp::Open);
    w.U32(id).Text(path).U32(Sftp::OpenWrite | Sftp::OpenCreate | Sftp::OpenTruncate).NoAttributes();
    const QByteArray reply = Exchange(w.Finish(), id);
    Sftp::PacketReader r(reply);
    if (r.U8() == Sftp::Status)
        ExpectOk(reply, QStringLiteral("Cannot create %1").arg(path));
    r.U32();
    QByteArray handle = r.String();
    if (!r.Ok() || handle.isEmpty())
        Malformed();
    return handle;
}

void SftpChannel::Upload(const QString& localPath, const QString& path, WriteWindow window,
                         const std::function<void(qint64)>& progress)
{
    QFile file(localPath);
    if (!file.open(QIODevice::ReadOnly))
        throw ESftpError(QStringLiteral("Cannot read %1: %2").arg(localPath, file.errorString()));
    const qint64 size = file.size();
    const QByteArray handle = OpenForWriting(path);

    // One buffer for every chunk: libssh has copied a packet once the write
    // returns. The file's bytes are read right behind the request header.
    const qsizetype header = Sftp::WriteHeaderSize(handle.size());
    QByteArray packet(header + window.chunk, Qt::Uninitialized);
    std::map<quint32, qint64> inFlight; // write id -> bytes
    qint64 offset = 0;
    qint64 acknowledged = 0;
    std::optional<ESftpError> failure;
    // Once the last write is sent, the size check and the close follow at
    // once: the server answers requests on one handle in order, so a small
    // file costs two round trips, not four.
    quint32 statId = 0;
    quint32 closeId = 0; // 0: the close is not sent yet
    bool statPending = false;
    bool closePending = false;
    std::optional<quint64> stored;
    bool statRefused = false;
    for (;;) {
        while (!failure && !interrupt_.Cancelled() && offset < size && int(inFlight.size()) < window.inFlight) {
            const qint64 n = std::min<qint64>(window.chunk, size - offset);
            if (file.read(packet.data() + header, n) != n) {
                failure.emplace(QStringLiteral("Cannot read %1: %2").arg(localPath, file.errorString()));
                break;
            }
            const quint32 id = NextId();
            Sftp::WriteRequestHeader(packet.data(), id, handle, quint64(offset), quint32(n));
            Send(QByteArrayView(packet.constData(), header + n));
            inFlight[id] = n;
            offset += n;
        }
        if (closeId == 0 && (offset == size || failure || interrupt_.Cancelled())) {
            if (offset == size && !failure) {
                statId = NextId();
                statPending = true;
                Send(Sftp::PacketWriter(Sftp::FStat).U32(statId).String(handle).Finish());
            }
            closeId = NextId();
            closePending = true;
            Send(Sftp::PacketWriter(Sftp::Close).U32(closeId).String(handle).Finish());
        }
        // Every request sent is answered before the call ends, so the
        // session stays in step after a refusal or a cancel.
        if (inFlight.empty() && !statPending && !closePending)
            break;
        const QByteArray reply = ReadPacket();
        Sftp::PacketReader r(reply);
        const quint8 type = r.U8();
        const quint32 id = r.U32();
        if (statPending && id == statId) {
            statPending = false;
            if (type == Sftp::Attrs)
                stored = r.ReadAttributes().size;
            else
                statRefused = true; // some servers have no FSTAT: STAT after the close
            if (!r.Ok())
                Malformed();
            continue;
        }
        const quint32 code = r.U32();
        const QByteArray message = r.String();
        const auto sent = inFlight.find(id);
        const bool closing = closePending && id == closeId;
        if (type != Sftp::Status || !r.Ok() || (!closing && sent == inFlight.end()))
            Malformed();
        if (code != Sftp::Ok && !failure)
            failure.emplace(QStringLiteral("Cannot write %1: %2").arg(path, StatusMessage(code, message)), int(code));
        if (closing) {
            closePending = false;
            continue;
        }
        acknowledged += sent->second;
        inFlight.erase(sent);
        if (progress)
            progress(acknowledged);
    }
    if (failure)
        throw *failure;
    if (offset < size)
        throw ESftpCancelled(QStringLiteral("The upload of %1 was cancelled").arg(path));
    if (statRefused)
        stored = Stat(path).size;
    if (stored && qint64(*stored) != size)
        throw ESftpError(QStringLiteral("The server holds %1 bytes of %2, not %3").arg(*stored).arg(path).arg(size));
}
