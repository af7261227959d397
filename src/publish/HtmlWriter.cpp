#include "publish/HtmlWriter.h"

#include "document/Page.h"
#include "document/PagePaths.h"
#include "document/TextCodec.h"
#include "publish/Jconvert.h"

#include <QSaveFile>

int TargetCodeOf(Charset charset)
{
    switch (charset) {
    case Charset::EucJp: return CODE_EUC;
    case Charset::ShiftJis: return CODE_SJIS;
    case Charset::Iso2022Jp: break;
    }
    return CODE_JIS83;
}

std::string HtmlFileBytes(SjisView html, Charset charset)
{
    // The page's text is always Shift_JIS, so it is converted from Shift_JIS
    // rather than from a guess: a guess leaves pages whose only 8-bit text is
    // half-width katakana, or that hold a control byte early on, unconverted,
    // and takes some Shift_JIS text for EUC-JP.
    std::string bytes = StrictConvertJCode(html, CODE_SJIS, TargetCodeOf(charset));
    bytes += "\r\n";
    return bytes;
}

SjisString CompleteHtmlFileName(SjisView fileName, SjisView startFolder)
{
    if (!PagePaths::ExtractFilePath(fileName).empty())
        return SjisString(fileName);
    return PagePaths::IncludeTrailingPathDelimiter(startFolder) + SjisString(fileName);
}

HtmlWriteResult WritePageHtml(PageProperties& page, SjisView html, SjisView startFolder)
{
    if (PagePaths::IsForeignPath(page.FileName))
        return {QString::fromUtf8("HTML ファイルの出力先 “%1” は別のシステムのパスなので、書き込みません。"
                                  "ページのプロパティで「HTML 出力先」を設定してください。")
                    .arg(TextCodec::NativePath(page.FileName))};
    page.FileName = CompleteHtmlFileName(page.FileName, startFolder);
    const std::string bytes = HtmlFileBytes(html, page.CharacterSet);

    const QString path = TextCodec::NativePath(page.FileName);
    auto failure = [&path](const QString& reason) {
        return HtmlWriteResult{QString::fromUtf8("HTML ファイル “%1” を保存できませんでした: %2").arg(path, reason)};
    };
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return failure(file.errorString());
    if (file.write(bytes.data(), qint64(bytes.size())) != qint64(bytes.size())) {
        const QString reason = file.errorString();
        file.cancelWriting();
        return failure(reason);
    }
    if (!file.commit())
        return failure(file.errorString());
    return {};
}
