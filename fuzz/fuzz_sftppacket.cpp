// SFTP replies as a hostile server might send them: the version and its
// extension list, a status with its message, a name list, an attribute
// block and a handle, each read field by field the way the client reads
// them. Reading past the end must only clear Ok().
#include "upload/SftpPacket.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArrayView body(reinterpret_cast<const char*>(data), qsizetype(size));
    Sftp::PacketReader r(body);
    switch (r.U8()) {
    case Sftp::Version:
        r.U32();
        while (!r.AtEnd() && r.Ok()) {
            r.String();
            r.String();
        }
        break;
    case Sftp::Status:
        r.U32();
        (void)Sftp::StatusText(r.U32());
        r.String();
        r.String();
        break;
    case Sftp::Name:
        r.U32();
        for (quint32 count = r.U32(); count > 0 && r.Ok(); --count) {
            r.String();
            r.String();
            r.ReadAttributes();
        }
        break;
    case Sftp::Attrs: {
        r.U32();
        const Sftp::Attributes a = r.ReadAttributes();
        (void)a.isDirectory();
        break;
    }
    default:
        r.U32();
        r.String();
        r.U64();
        break;
    }
    (void)r.Ok();
    return 0;
}
