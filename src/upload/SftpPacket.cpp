#include "upload/SftpPacket.h"

#include <QtEndian>

namespace Sftp {

PacketWriter::PacketWriter(Type type)
{
    bytes_.reserve(64);
    U32(0); // the length, filled in by Finish
    bytes_.append(char(type));
}

PacketWriter& PacketWriter::U32(quint32 value)
{
    char b[4];
    qToBigEndian(value, b);
    bytes_.append(b, 4);
    return *this;
}

PacketWriter& PacketWriter::U64(quint64 value)
{
    char b[8];
    qToBigEndian(value, b);
    bytes_.append(b, 8);
    return *this;
}

PacketWriter& PacketWriter::String(QByteArrayView bytes)
{
    U32(quint32(bytes.size()));
    bytes_.append(bytes.data(), bytes.size());
    return *this;
}

const QByteArray& PacketWriter::Finish()
{
    qToBigEndian(quint32(bytes_.size() - 4), bytes_.data());
    return bytes_;
}

void WriteRequestHeader(char* out, quint32 id, QByteArrayView handle, quint64 offset, quint32 length)
{
    const auto total = quint32(WriteHeaderSize(handle.size()) - 4 + length);
    qToBigEndian(total, out);
    out[4] = char(Write);
    qToBigEndian(id, out + 5);
    qToBigEndian(quint32(handle.size()), out + 9);
    std::copy(handle.begin(), handle.end(), out + 13);
    char* p = out + 13 + handle.size();
    qToBigEndian(offset, p);
    qToBigEndian(length, p + 8);
}

bool PacketReader::Take(qsizetype n)
{
    if (!ok_ || n < 0 || body_.size() - pos_ < n) {
        ok_ = false;
        return false;
    }
    return true;
}

quint8 PacketReader::U8()
{
    if (!Take(1))
        return 0;
    return quint8(body_[pos_++]);
}

quint32 PacketReader::U32()
{
    if (!Take(4))
        return 0;
    const auto v = qFromBigEndian<quint32>(body_.data() + pos_);
    pos_ += 4;
    return v;
}

quint64 PacketReader::U64()
{
    if (!Take(8))
        return 0;
    const auto v = qFromBigEndian<quint64>(body_.data() + pos_);
    pos_ += 8;
    return v;
}

QByteArray PacketReader::String()
{
    const quint32 n = U32();
    if (!Take(qsizetype(n)))
        return {};
    QByteArray s(body_.data() + pos_, qsizetype(n));
    pos_ += qsizetype(n);
    return s;
}

Attributes PacketReader::ReadAttributes()
{
    Attributes a;
    const quint32 flags = U32();
    if (flags & AttrSize)
        a.size = U64();
    if (flags & AttrOwner) {
        U32();
        U32();
    }
    if (flags & AttrPermissions)
        a.permissions = U32();
    if (flags & AttrTimes) {
        U32();
        U32();
    }
    if (flags & AttrExtended) {
        const quint32 count = U32();
        for (quint32 i = 0; i < count && ok_; ++i) {
            String();
            String();
        }
    }
    return a;
}

QString StatusText(quint32 code)
{
    switch (code) {
    case Ok: return QStringLiteral("Success");
    case Eof: return QStringLiteral("End of file");
    case NoSuchFile: return QStringLiteral("No such file");
    case PermissionDenied: return QStringLiteral("Permission denied");
    case Failure: return QStringLiteral("Failure");
    case BadMessage: return QStringLiteral("Bad message");
    case NoConnection: return QStringLiteral("No connection");
    case ConnectionLost: return QStringLiteral("Connection lost");
    case OpUnsupported: return QStringLiteral("Operation unsupported");
    default: return QStringLiteral("Status %1").arg(code);
    }
}

} // namespace Sftp
