#include "dialogs/ShownText.h"

#include "document/TextCodec.h"

#include <QMessageBox>

const QString& ShownText::load(SjisView loaded)
{
    bytes = SjisString(loaded);
    text = TextCodec::ToUnicode(loaded);
    return text;
}

std::optional<SjisString> ShownText::encode(const QString& now) const
{
    if (now == text)
        return bytes;
    return TextCodec::FromUnicodeStrict(now);
}

std::optional<SjisString> EncodeFieldOrWarn(QWidget* parent, const QString& label, const QString& text,
                                            const ShownText* shown)
{
    std::optional<SjisString> bytes = shown ? shown->encode(text) : TextCodec::FromUnicodeStrict(text);
    if (!bytes) {
        const QString character = TextCodec::FirstUnencodable(text).value_or(QString());
        QMessageBox::warning(parent, QStringLiteral("警告"),
                             QStringLiteral("「%1」に Shift_JIS で表せない文字 “%2” が含まれているため、保存できません。")
                                 .arg(label, character));
    }
    return bytes;
}
