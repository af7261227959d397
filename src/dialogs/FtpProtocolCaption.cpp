#include "dialogs/FtpProtocolCaption.h"

const std::array<FtpProtocol, 3>& FtpProtocolChoices()
{
    static const std::array<FtpProtocol, 3> choices = {FtpProtocol::Ftp, FtpProtocol::Ftps, FtpProtocol::Sftp};
    return choices;
}

QString FtpProtocolCaption(FtpProtocol protocol)
{
    switch (protocol) {
    case FtpProtocol::Ftps: return QStringLiteral("FTPS（TLS）");
    case FtpProtocol::Sftp: return QStringLiteral("SFTP（SSH）");
    case FtpProtocol::Ftp: break;
    }
    return QStringLiteral("FTP");
}
