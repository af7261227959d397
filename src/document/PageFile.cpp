#include "document/PageFile.h"

#include "document/FieldReader.h"
#include "document/LegacyIni.h"
#include "document/OutlineText.h"
#include "document/Page.h"
#include "document/PagePaths.h"
#include "document/ProgramConstants.h"
#include "document/TextCodec.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <algorithm>
#include <charconv>
#include <optional>

namespace {

constexpr size_t TagLength = 16;
constexpr const char* Tags[] = {
    "Tav Outliner 1.0", "Tav Outliner 1.1", "Tav Outliner 1.2", "Tav Outliner 1.3", "Tav Outliner 1.4",
};
enum Version { V10, V11, V12, V13, V14 };

QString Show(SjisView text) { return TextCodec::ToUnicode(text); }

// Field 1 of every page file written; ignored on reading.
const SjisString& HeaderComment()
{
    static const SjisString comment = TextCodec::Sjis(":このファイルは ") + ProgramConstants::VersionString
        + TextCodec::Sjis(" で使用されるデータファイルです。直接編集することは避けてください。");
    return comment;
}

PageFileResult Failure(PageFileStatus status, const SjisString& path, QString message)
{
    PageFileResult result;
    result.status = status;
    result.path = path;
    result.message = std::move(message);
    return result;
}

// ---- writing ---------------------------------------------------------------

bool HoldsTerminator(SjisView text)
{
    return text.find(FieldReader::Terminator) != SjisView::npos;
}

// The page's texts in file order, each with the name the user knows it by.
std::optional<QString> FindPropertyWithTerminator(const PageProperties& page)
{
    const std::pair<const SjisString*, const char*> properties[] = {
        {&page.Title, "タイトル"},
        {&page.FileName, "HTML ファイル名"},
        {&page.Category, "カテゴリ"},
        {&page.CategoryUrl, "カテゴリの URL"},
        {&page.StyleSheetFileName, "スタイルシート"},
        {&page.JavaScriptFileName, "JavaScript ファイル"},
        {&page.FtpSettingName, "FTP 設定名"},
        {&page.RemoteFolder, "アップロード先フォルダ"},
        {&page.Doctype, "DOCTYPE"},
        {&page.UserHeader, "ユーザ定義ヘッダ"},
    };
    for (const auto& [text, label] : properties)
        if (HoldsTerminator(*text))
            return QString::fromUtf8("ページの%1").arg(QString::fromUtf8(label));
    return std::nullopt;
}

std::optional<QString> FindTextWithTerminator(const Page& page)
{
    if (auto property = FindPropertyWithTerminator(page.properties()))
        return property;
    for (const Node* node : page.NodesInDocumentOrder()) {
        if (HoldsTerminator(node->name()))
            return QString::fromUtf8("ノード名「%1」").arg(Show(node->name()));
        if (HoldsTerminator(node->record().Body))
            return QString::fromUtf8("ノード「%1」の本文").arg(Show(node->name()));
    }
    return std::nullopt;
}

// Collects fields in a buffer and hands the device large blocks.
class FieldWriter {
public:
    static constexpr size_t FlushSize = 1 << 20;

    explicit FieldWriter(QIODevice& device) : device_(device) { buffer_.reserve(FlushSize * 2); }

    void raw(SjisView bytes)
    {
        if (bytes.size() >= FlushSize) {
            flush();
            put(bytes);
            return;
        }
        buffer_ += bytes;
        if (buffer_.size() >= FlushSize)
            flush();
    }
    void text(SjisView value)
    {
        raw(value);
        buffer_ += FieldReader::Terminator;
    }
    void flag(bool value) { text(value ? "T" : "F"); }
    void integer(std::int32_t value)
    {
        char digits[16];
        auto [end, ec] = std::to_chars(digits, digits + sizeof digits, value);
        text(SjisView(digits, size_t(end - digits)));
    }
    // Writes what is buffered; false once the device refused a write.
    bool flush()
    {
        put(buffer_);
        buffer_.clear();
        return ok_;
    }

private:
    void put(SjisView bytes)
    {
        if (ok_ && !bytes.empty() && device_.write(bytes.data(), qint64(bytes.size())) != qint64(bytes.size()))
            ok_ = false;
    }

    QIODevice& device_;
    SjisString buffer_;
    bool ok_ = true;
};

void WriteHeader(FieldWriter& out, const PageProperties& page, SjisView outlineText)
{
    out.raw(ProgramConstants::PageFileFormatTag);
    out.text(HeaderComment());
    out.text(page.Title);
    out.text(page.FileName);
    out.text(page.Category);
    out.text(page.CategoryUrl);
    out.flag(page.Upload);
    out.flag(page.CharacterSet == Charset::Iso2022Jp);
    out.flag(page.CharacterSet == Charset::ShiftJis);
    out.flag(page.CharacterSet == Charset::EucJp);
    out.text(page.StyleSheetFileName);
    out.text(page.JavaScriptFileName);
    out.flag(page.EnableStyleSheet);
    out.flag(page.EnableJavaScript);
    out.text(page.FtpSettingName);
    out.text(page.RemoteFolder);
    out.text(page.Doctype);
    out.text(outlineText);
    out.text(page.UserHeader);
}

void WriteRecord(FieldWriter& out, SjisView body, const PageFileImage::Record& r)
{
    out.text(body);
    out.flag(r.publish);
    out.flag(r.hide);
    out.flag(r.editSource);
    out.integer(r.selStart);
    out.integer(r.selLength);
}

PageFileImage::Record ImageRecord(const TRecord& r, std::size_t bodyEnd)
{
    return {bodyEnd, r.Publish, r.Hide, r.EditSource, r.SelStart, r.SelLength};
}

void WriteFields(FieldWriter& out, const Page& page)
{
    WriteHeader(out, page.properties(), MakeOutlineText(page));
    for (const Node* node : page.NodesInDocumentOrder())
        WriteRecord(out, node->record().Body, ImageRecord(node->record(), 0));
}

PageFileResult WriteFailure(const SjisString& path, const QString& reason)
{
    return Failure(PageFileStatus::CannotWrite, path,
                   QString::fromUtf8("ページファイル “%1” を保存できませんでした: %2").arg(Show(path), reason));
}

// Keeps the damaged file that a save is about to replace as NAME.data.bak.
std::optional<PageFileResult> BackUpDamagedFile(const SjisString& path)
{
    QFile damaged(TextCodec::NativePath(path));
    if (!damaged.exists())
        return std::nullopt;
    if (!damaged.open(QIODevice::ReadOnly))
        return WriteFailure(path, damaged.errorString());
    const SjisString backupPath = path + ".bak";
    QSaveFile backup(TextCodec::NativePath(backupPath));
    if (!backup.open(QIODevice::WriteOnly))
        return WriteFailure(backupPath, backup.errorString());
    while (!damaged.atEnd()) {
        QByteArray block = damaged.read(FieldReader::BlockSize);
        if (block.isEmpty() || backup.write(block) != block.size())
            return WriteFailure(backupPath, backup.errorString());
    }
    if (!backup.commit())
        return WriteFailure(backupPath, backup.errorString());
    return std::nullopt;
}

// ---- reading ---------------------------------------------------------------

// Reads fields into the page while the file lasts; once it is used up the
// remaining values keep what they had.
class PageFieldReader {
public:
    explicit PageFieldReader(FieldReader& reader) : reader_(reader) {}

    void skip()
    {
        SjisString ignored;
        reader_.next(ignored);
    }
    bool text(SjisString& value) { return reader_.next(value); }
    void flag(bool& value)
    {
        SjisString field;
        if (reader_.next(field))
            value = field == "T";
    }
    void integer(std::int32_t& value)
    {
        SjisString field;
        if (reader_.next(field) && !ParsePageInteger(field, value))
            value = 0;
    }
    bool truncated() const { return reader_.truncated(); }

private:
    FieldReader& reader_;
};

std::optional<SjisString> ReadWholeFile(const SjisString& path, QString& error)
{
    QFile file(TextCodec::NativePath(path));
    if (!file.open(QIODevice::ReadOnly)) {
        error = file.errorString();
        return std::nullopt;
    }
    QByteArray bytes = file.readAll();
    return SjisString(bytes.constData(), size_t(bytes.size()));
}

PageFileResult CannotOpen(const SjisString& path, const QString& reason)
{
    return Failure(PageFileStatus::CannotOpen, path,
                   QString::fromUtf8("ページファイル “%1” を開けませんでした: %2").arg(Show(path), reason));
}

// Replaces the outline; reports a level jump.
std::optional<PageFileResult> LoadOutline(Page& page, SjisView text, const SjisString& path)
{
    OutlineParseResult outline = ParseOutlineText(text);
    page.ReplaceOutline(std::move(outline.topLevel));
    if (outline.errorLine == 0)
        return std::nullopt;
    return Failure(PageFileStatus::BadOutline, path,
                   QString::fromUtf8("ページファイル “%1” のアウトラインが壊れています: %2 行目のノードが前の行より "
                                     "2 段以上深くなっています。")
                       .arg(Show(path))
                       .arg(outline.errorLine));
}

void ReadRecords(Page& page, PageFieldReader& in, bool withCaret)
{
    for (Node* node : page.NodesInDocumentOrder()) {
        TRecord& r = node->record();
        r = TRecord{};
        in.text(r.Body);
        in.flag(r.Publish);
        in.flag(r.Hide);
        in.flag(r.EditSource);
        if (withCaret) {
            in.integer(r.SelStart);
            in.integer(r.SelLength);
        }
    }
}

std::optional<PageFileResult> ReadVersion10(Page& page, const PageFileContext& context, PageFieldReader& in)
{
    const SjisString base = page.DatabasePath + PagePaths::ChangeFileExt(PagePaths::ExtractFileName(page.FileName), "");
    const SjisString treePath = base + ".tree";
    const SjisString iniPath = base + ".page";
    QString error;
    std::optional<SjisString> tree = ReadWholeFile(treePath, error);
    if (!tree)
        return CannotOpen(treePath, error);
    if (auto failure = LoadOutline(page, *tree, treePath))
        return failure;

    // A missing ".page" file gives every default.
    std::optional<SjisString> iniText = ReadWholeFile(iniPath, error);
    LegacyIni ini(iniText ? SjisView(*iniText) : SjisView());
    const SjisString& programFolder = context.ProgramFolder;
    page.Title = ini.text("Fundamental", "Title", ProgramConstants::UntitledPageTitle());
    page.FileName = ini.text("Fundamental", "FileName", programFolder + "untitled.html");
    page.DatabasePath = ini.text("Fundamental", "DatabasePath", PagePaths::IncludeTrailingPathDelimiter(programFolder));
    page.Category = ini.text("Fundamental", "Category", ProgramConstants::NewPageCategory());
    page.CategoryUrl = ini.text("Fundamental", "CategoryUrl", ProgramConstants::HomePageAddress);
    page.EnableStyleSheet = ini.flag("Externals", "EnableStyleSheet", context.DefaultEnableStyleSheet);
    page.EnableJavaScript = ini.flag("Externals", "EnableJavaScript", context.DefaultEnableJavaScript);
    page.StyleSheetFileName = ini.text("Externals", "StyleSheetFileName", "untitled.css");
    page.JavaScriptFileName = ini.text("Externals", "JavaScriptFileName", "untitled.js");

    in.skip();
    in.text(page.UserHeader);
    ReadRecords(page, in, false);
    return std::nullopt;
}

std::optional<PageFileResult> ReadVersion11To14(Page& page, Version version, PageFieldReader& in, const SjisString& path)
{
    in.skip();
    in.text(page.Title);
    in.text(page.FileName);
    in.text(page.Category);
    in.text(page.CategoryUrl);
    if (version == V11) {
        in.flag(page.EnableStyleSheet);
        in.flag(page.EnableJavaScript);
        in.text(page.StyleSheetFileName);
        in.text(page.JavaScriptFileName);
    } else {
        in.flag(page.Upload);
        if (version >= V13) {
            bool iso = false, sjis = false, euc = false;
            in.flag(iso);
            in.flag(sjis);
            in.flag(euc);
            page.CharacterSet = CharsetFromFlags(iso, sjis, euc);
        }
        in.text(page.StyleSheetFileName);
        in.text(page.JavaScriptFileName);
        in.flag(page.EnableStyleSheet);
        in.flag(page.EnableJavaScript);
        in.text(page.FtpSettingName);
        in.text(page.RemoteFolder);
        if (version == V14)
            in.text(page.Doctype);
    }
    SjisString outline;
    in.text(outline);
    if (auto failure = LoadOutline(page, outline, path))
        return failure;
    in.text(page.UserHeader);
    ReadRecords(page, in, version >= V13);
    return std::nullopt;
}

} // namespace

QString UnknownFormatCaption()
{
    return QString::fromUtf8("未知の形式");
}

bool WritePageFileToDevice(const Page& page, QIODevice& device)
{
    FieldWriter out(device);
    WriteFields(out, page);
    return out.flush();
}

PageFileImage ImageOfPage(const Page& page, std::size_t bodiesHint)
{
    // One walk of the outline: on a large page it is most of the cost.
    PageFileImage image;
    image.properties = page.properties();
    image.records.reserve(std::size_t(page.NodeCount()));
    image.bodies.reserve(bodiesHint + bodiesHint / 8);
    image.outlineText = MakeOutlineText(page, [&image](const Node* node) {
        image.bodies += node->record().Body;
        image.records.push_back(ImageRecord(node->record(), image.bodies.size()));
    });
    return image;
}

std::optional<QByteArray> PageFileBytes(const PageFileImage& image)
{
    if (FindPropertyWithTerminator(image.properties) || HoldsTerminator(image.outlineText)
        || HoldsTerminator(image.bodies))
        return std::nullopt;
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    FieldWriter out(buffer);
    WriteHeader(out, image.properties, image.outlineText);
    std::size_t bodyStart = 0;
    for (const PageFileImage::Record& record : image.records) {
        WriteRecord(out, SjisView(image.bodies).substr(bodyStart, record.bodyEnd - bodyStart), record);
        bodyStart = record.bodyEnd;
    }
    out.flush();
    return bytes;
}

PageFileResult WritePageFileTo(const Page& page, const SjisString& path)
{
    if (auto where = FindTextWithTerminator(page))
        return Failure(PageFileStatus::UnstorableText, path,
                       QString::fromUtf8("%1にページファイルに保存できないバイト (0xFF) が含まれているため、"
                                         "“%2” を保存しませんでした。")
                           .arg(*where, Show(path)));
    QSaveFile file(TextCodec::NativePath(path));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return WriteFailure(path, file.errorString());
    if (!WritePageFileToDevice(page, file)) {
        QString reason = file.errorString();
        file.cancelWriting();
        return WriteFailure(path, reason);
    }
    if (!file.commit())
        return WriteFailure(path, file.errorString());
    PageFileResult result;
    result.path = path;
    return result;
}

PageFileResult WritePageFile(Page& page, const PageFileContext& context)
{
    if (!QFileInfo(TextCodec::NativePath(page.DatabasePath)).isDir())
        page.DatabasePath = context.StartFolder;
    const SjisString path = PagePaths::PageFilePath(page);

    if (!page.DamagedPageFile.empty() && page.DamagedPageFile == path && !FindTextWithTerminator(page)) {
        if (auto failure = BackUpDamagedFile(path))
            return *failure;
    }
    PageFileResult result = WritePageFileTo(page, path);
    if (!result.ok())
        return result;
    if (page.DamagedPageFile == path)
        page.DamagedPageFile.clear();
    return result;
}

void NameChosenFile(PageFileResult& result, SjisView chosenPath)
{
    if (result.opened() || SjisView(result.path) == chosenPath)
        return;
    result.message = QString::fromUtf8("“%1” を開けませんでした。ページは同じ名前の .data ファイルから読み込みます。\n")
                         .arg(Show(chosenPath))
        + result.message;
}

void PointPageAt(PageProperties& page, SjisView path)
{
    page.FileName = PagePaths::ChangeFileExt(PagePaths::ExtractFileName(path), ".html");
    page.DatabasePath = PagePaths::ExtractFilePath(path);
}

PageFileResult ReadPageFile(Page& page, const PageFileContext& context)
{
    const SjisString path = PagePaths::PageFilePath(page);
    QFile file(TextCodec::NativePath(path));
    if (!file.open(QIODevice::ReadOnly))
        return CannotOpen(path, file.errorString());
    return ReadPageFileFrom(file, page, context, path);
}

PageFileResult ReadPageFileFrom(QIODevice& device, Page& page, const PageFileContext& context, const SjisString& path)
{
    FieldReader reader(device);
    const SjisString tag = reader.readRaw(TagLength);
    int version = -1;
    for (int i = 0; i < int(std::size(Tags)); ++i)
        if (tag == Tags[i])
            version = i;
    if (version < 0) {
        if (tag.compare(0, 12, "Tav Outliner") == 0 && tag.size() >= 12)
            return Failure(PageFileStatus::NewerFormat, path,
                           QString::fromUtf8("“%1” は新しいバージョン形式のファイルです。%2 以降をお使いください。")
                               .arg(Show(path), Show(tag)));
        return Failure(PageFileStatus::UnknownFormat, path,
                       QString::fromUtf8("“%1” は対応していない形式のファイルです。\n").arg(Show(path)));
    }

    PageFieldReader in(reader);
    std::optional<PageFileResult> failure = version == V10
        ? ReadVersion10(page, context, in)
        : ReadVersion11To14(page, Version(version), in, path);
    if (failure)
        return *failure;

    PageFileResult result;
    result.path = path;
    if (reader.truncated()) {
        page.DamagedPageFile = path;
        result.status = PageFileStatus::Damaged;
        result.message = QString::fromUtf8("ページファイル “%1” は壊れています（ファイルが途中で終わっています）。"
                                           "読み込めた部分だけを開きました。次に保存するとき、元のファイルは “%2” "
                                           "として残します。")
                             .arg(Show(path), Show(path + ".bak"));
    }
    return result;
}
