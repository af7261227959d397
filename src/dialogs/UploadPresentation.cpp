#include "dialogs/UploadPresentation.h"

#include <algorithm>

namespace {

QString U(const char* utf8) { return QString::fromUtf8(utf8); }

bool AnyDone(const UploadRun& run)
{
    return std::any_of(run.Rows().begin(), run.Rows().end(),
                       [](const UploadRow& row) { return row.state == UploadRow::State::Done; });
}

} // namespace

QStringList UploadPresentation::RowColumns(const UploadRow& row)
{
    QString state;
    switch (row.state) {
    case UploadRow::State::Waiting: break;
    case UploadRow::State::Done: state = U("完了"); break;
    case UploadRow::State::Failed:
        state = row.reason.isEmpty() ? U("*失敗*") : U("*失敗* (") + row.reason + QLatin1Char(')');
        break;
    }
    // A page file that could not be read is named by its path.
    if (!row.listed && row.state == UploadRow::State::Failed)
        return {row.pageFile, QString(), QString(), state};
    return {row.title, row.server, row.remotePath, state};
}

UploadPresentation::Message UploadPresentation::AlertMessage(UploadRun::Alert what, const QString& subject)
{
    switch (what) {
    case UploadRun::Alert::NoServer:
        return {U("警告"), U("FTP サーバの設定がありません。"), true};
    case UploadRun::Alert::UnknownFormat:
        return {U("未知の形式"), U("対応していない形式か、新しいバージョンのファイルです。"), true};
    case UploadRun::Alert::LoginFailed:
        return {U("警告"), U("ユーザ ") + subject + U(" の認証に失敗しました。"), true};
    case UploadRun::Alert::BrokenCommand:
        return {U("失敗"),
                U("リモートフォルダ、ファイル名、ユーザ名またはパスワードに改行または NUL 文字が含まれているため、送信できません。"),
                true};
    case UploadRun::Alert::FolderNotCreated:
        return {U("失敗"), U("フォルダが作成できませんでした。"), false};
    case UploadRun::Alert::NotUploaded:
        return {U("失敗"), U("アップロードできませんでした。"), false};
    case UploadRun::Alert::HostKeyChanged:
        // Someone between us and the server shows a key of their own in just
        // this way: nothing was sent, and there is no button to go on.
        return {U("警告"),
                U("%1 のホスト鍵が変わりました。\n\n"
                  "通信に誰かが割り込んでいるおそれがあるため、パスワードも鍵も送らずに接続を切りました。\n"
                  "サーバの管理者が鍵を替えたと確かめられた場合だけ、known_hosts から古い鍵を削除してください"
                  "（ssh-keygen -R %1）。")
                    .arg(subject),
                true};
    }
    return {};
}

UploadPresentation::Message UploadPresentation::CertificateQuestion(const QString& host, const QString& fingerprint,
                                                                    const QString& why, const QString& trusted)
{
    if (trusted.isEmpty())
        return {U("質問"),
                U("%1 の証明書を確認できませんでした（%2）。\n\n"
                  "SHA-256 フィンガープリント:\n%3\n\n"
                  "サーバの管理者に聞いたものと同じなら、この証明書を信頼して接続を続けますか？")
                    .arg(host, why, fingerprint),
                false};
    // Someone between us and the server shows a certificate of their own in
    // just this way: the change is news, not a formality.
    return {U("警告"),
            U("%1 のサーバ証明書が変わりました（%2）。\n\n"
              "これまで信頼していた証明書の SHA-256 フィンガープリント:\n%3\n\n"
              "いまサーバが示している証明書の SHA-256 フィンガープリント:\n%4\n\n"
              "サーバの管理者が証明書を替えたと確かめられた場合だけ、新しい証明書を信頼してください。"
              "新しい証明書を信頼して接続を続けますか？")
                .arg(host, why, trusted, fingerprint),
            true};
}

UploadPresentation::Message UploadPresentation::HostKeyQuestion(const QString& host, const QString& fingerprint)
{
    return {U("質問"),
            U("%1 のホスト鍵はまだ登録されていません。\n\n"
              "鍵のフィンガープリント:\n%2\n\n"
              "サーバの管理者に聞いたものと同じなら、この鍵を信頼して接続を続けますか？"
              "（known_hosts に登録されます）")
                .arg(host, fingerprint),
            false};
}

void UploadPresentation::ResetCounters()
{
    rate_ = rateMax_ = QStringLiteral("N/A");
    gauge_ = 0;
}

void UploadPresentation::Listed(const UploadRun& run)
{
    ResetCounters();
    okCaption_ = U("アップロード");
    cancelCaption_ = U("キャンセル");
    okEnabled_ = run.CanStart();
    request_ = U("待機しています。");
    if (run.Rows().empty())
        request_ = U("アップロードするファイルがキューにありません。");
    else if (run.Unsendable())
        okCaption_ = U("アップロード不能");
}

void UploadPresentation::Stepped(const UploadRun& run)
{
    okEnabled_ = run.CanStart();
    switch (run.CurrentStep()) {
    case UploadRun::Step::Listing:
        break;
    case UploadRun::Step::Connecting:
        // A later page's server keeps the text that says the last page is done.
        if (!AnyDone(run))
            request_ = U("アップロードを開始しました。");
        break;
    case UploadRun::Step::LoggedIn:
        request_ = run.Host() + U(" に接続しました。フォルダ変更してます。");
        break;
    case UploadRun::Step::EnteringFolder:
    case UploadRun::Step::CreatingFolder:
        break;
    case UploadRun::Step::Uploading:
        request_ = run.Folder() + U(" に変更しました。アップしてます。");
        break;
    case UploadRun::Step::FileDone:
        request_ = run.ReplacedByDeleting()
                       ? U("アップ完了です。\nサーバが既存のファイルへの名前変更を受け付けないため、"
                           "古いファイルを削除してから置き換えました。")
                       : U("アップ完了です。");
        break;
    case UploadRun::Step::NextFile:
        ResetCounters();
        request_ += U("次のファイルのアップロードを開始しました。");
        break;
    case UploadRun::Step::Finished:
        cancelCaption_ = U("閉じる");
        break;
    case UploadRun::Step::Failed: {
        // The reason goes under what the window was doing.
        const int row = run.CurrentRow();
        if (row >= 0 && row < int(run.Rows().size()) && !run.Rows()[size_t(row)].reason.isEmpty())
            request_ += QLatin1Char('\n') + run.Rows()[size_t(row)].reason;
        break;
    }
    case UploadRun::Step::Cancelled:
        break;
    }
}

void UploadPresentation::Progressed(qint64 sent, qint64 total)
{
    rate_ = QString::number(sent);
    rateMax_ = QString::number(total);
    gauge_ = total > 0 ? int(sent * 100 / total) : 100;
}
