#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <optional>

// SFTP version 3 packets: a 32-bit length, a type byte, then fields in
// network byte order; strings carry a 32-bit length. Remote names are UTF-8.
namespace Sftp {

enum Type : quint8 {
    Init = 1, Version = 2, Open = 3, Close = 4, Write = 6, FStat = 8, Remove = 13, MakeDir = 14,
    RealPath = 16, Stat = 17, Rename = 18,
    Status = 101, Handle = 102, Data = 103, Name = 104, Attrs = 105,
    Extended = 200, ExtendedReply = 201,
};

enum StatusCode : quint32 {
    Ok = 0, Eof = 1, NoSuchFile = 2, PermissionDenied = 3, Failure = 4, BadMessage = 5,
    NoConnection = 6, ConnectionLost = 7, OpUnsupported = 8,
};

enum OpenFlag : quint32 { OpenRead = 1, OpenWrite = 2, OpenAppend = 4, OpenCreate = 8, OpenTruncate = 0x10 };

// Bits of an attribute block's flags word: which fields follow, in this order.
enum AttrFlag : quint32 { AttrSize = 1, AttrOwner = 2, AttrPermissions = 4, AttrTimes = 8, AttrExtended = 0x80000000 };

// The largest packet we accept: OpenSSH's server sends and takes at most
// 256 KiB; a name list may run a little longer.
inline constexpr quint32 MaxPacket = 1024 * 1024;

// The bytes before the data of a WRITE request (length, type, id, handle,
// offset, data length): the upload reads file data right behind them.
inline qsizetype WriteHeaderSize(qsizetype handleSize) { return 4 + 1 + 4 + 4 + handleSize + 8 + 4; }

// What the server says about a file; each field only when it sent it.
struct Attributes {
    std::optional<quint64> size;
    std::optional<quint32> permissions; // with the file type bits (S_IFDIR...)
    bool isDirectory() const { return permissions && (*permissions & 0170000) == 0040000; }
};

// Builds one packet; the length is filled in by Finish.
class PacketWriter {
public:
    explicit PacketWriter(Type type);
    PacketWriter& U32(quint32 value);
    PacketWriter& U64(quint64 value);
    PacketWriter& String(QByteArrayView bytes);
    PacketWriter& Text(const QString& text) { return String(text.toUtf8()); }
    PacketWriter& NoAttributes() { return U32(0); }
    const QByteArray& Finish();

private:
    QByteArray bytes_;
};

// Writes the WRITE request header for `length` data bytes into `out`, which
// must hold WriteHeaderSize(handle.size()) bytes.
void WriteRequestHeader(char* out, quint32 id, QByteArrayView handle, quint64 offset, quint32 length);

// Reads the fields of one packet's body (after its length). Reading past the
// end gives zeros and empty strings and makes Ok() false, so a malformed
// reply is found once, after its fields are read.
class PacketReader {
public:
    explicit PacketReader(QByteArrayView body) : body_(body) {}
    quint8 U8();
    quint32 U32();
    quint64 U64();
    QByteArray String();
    Attributes ReadAttributes();
    bool Ok() const { return ok_; }
    bool AtEnd() const { return pos_ >= body_.size(); }

private:
    bool Take(qsizetype n);
    QByteArrayView body_;
    qsizetype pos_ = 0;
    bool ok_ = true;
};

// The standard text of a status code, for servers that send none.
QString StatusText(quint32 code);

} // namespace Sftp
