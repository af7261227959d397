#include "document/ProgramConstants.h"

#include "document/TextCodec.h"

namespace ProgramConstants {

SjisString NewPageUserHeader()
{
    static const SjisString header = TextCodec::Sjis("<!-- TODO: ユーザ定義ヘッダを記述してください -->\n");
    return header;
}

SjisString DefaultFtpSettingName()
{
    static const SjisString name = TextCodec::Sjis("(規定値)");
    return name;
}

} // namespace ProgramConstants
