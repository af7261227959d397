#include "dialogs/PreferencesRules.h"

#include "dialogs/FtpProtocolCaption.h"

const QStringList& ApplyEnablingControls()
{
    static const QStringList names = {
        QStringLiteral("cmbbBootOnAction"),
        QStringLiteral("editAuthor"),
        QStringLiteral("editEmail"),
        QStringLiteral("editSupportUrl"),
        QStringLiteral("editExternalTool"),
        QStringLiteral("editDefaultStyleSheetFileName"),
        QStringLiteral("editDefaultJavaScriptFileName"),
        QStringLiteral("cmbbDefaultFooterAction"),
        QStringLiteral("cmbbDefaultTagCase"),
        QStringLiteral("editFtpHostName"),
        QStringLiteral("editFtpUserName"),
        QStringLiteral("editFtpPassWord"),
        QStringLiteral("editFtpKeyFile"),
        QStringLiteral("editFtpDirName"),
        QStringLiteral("cboxGenerator"),
        QStringLiteral("cboxDefaultEnableStyleSheet"),
        QStringLiteral("cboxDefaultEnableJavaScript"),
        QStringLiteral("cboxEditorTextBold"),
        QStringLiteral("cboxEditorTextItalic"),
        QStringLiteral("cboxEditorTagSymbolBold"),
        QStringLiteral("cboxEditorTagSymbolItalic"),
        QStringLiteral("cboxEditorTagDirectiveBold"),
        QStringLiteral("cboxEditorTagDirectiveItalic"),
        QStringLiteral("cboxEditorTagParameterBold"),
        QStringLiteral("cboxEditorTagParameterItalic"),
        QStringLiteral("cboxEditorAutoIndent"),
        QStringLiteral("cboxFtpDefaultUpload"),
    };
    return names;
}

QString TrimmedFtpSettingName(QStringView typed)
{
    qsizetype first = 0;
    qsizetype last = typed.size();
    while (first < last && typed[first].unicode() <= 0x20)
        ++first;
    while (last > first && typed[last - 1].unicode() <= 0x20)
        --last;
    return typed.mid(first, last - first).toString();
}

FtpGroupRows FtpGroupRowsFor(FtpProtocol protocol)
{
    const bool sftp = protocol == FtpProtocol::Sftp;
    return {!sftp, !sftp, sftp};
}

std::optional<QString> FtpKeyFileProblem(const QString& keyFile)
{
    if (keyFile.trimmed().endsWith(QStringLiteral(".pub"), Qt::CaseInsensitive))
        return QStringLiteral("鍵ファイルには公開鍵（.pub）ではなく、秘密鍵のファイルを指定してください。");
    return std::nullopt;
}

QString AddFtpSettingQuestion(const QString& name, FtpProtocol protocol, const QString& host, const QString& user,
                              const QString& password, bool usePasv, const QString& keyFile)
{
    // The labels start with an ideographic space; tabs line the values up.
    QString text = QStringLiteral("設定名 ") + name + QStringLiteral(" を、次の情報でレジストリに保存します。\n\n")
        + QStringLiteral("\u3000プロトコル：\t") + FtpProtocolCaption(protocol) + u'\n'
        + QStringLiteral("\u3000サーバ：\t\t") + host + u'\n'
        + QStringLiteral("\u3000ユーザ：\t\t") + user + u'\n'
        + QStringLiteral("\u3000パスワード：\t") + QString(QStringView(password).toUcs4().size(), u'*') + u'\n';
    if (protocol == FtpProtocol::Sftp)
        return text + QStringLiteral("\u3000鍵ファイル：\t") + (keyFile.isEmpty() ? QStringLiteral("なし") : keyFile);
    return text + QStringLiteral("\u3000送受信：\t\t")
        + (usePasv ? QStringLiteral("PASV モード") : QStringLiteral("通常モード"));
}

QString DeleteFtpSettingQuestion(const QString& name)
{
    return QStringLiteral("設定名 %1 を削除します。\nサーバ、ユーザとパスワードも消えます。よろしいですか？").arg(name);
}
