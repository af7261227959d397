#include "cli/PageJson.h"

#include "document/Page.h"
#include "document/TextCodec.h"

#include <QJsonArray>

namespace {

QString FromSjis(SjisView text) { return TextCodec::ToUnicode(text); }

QJsonObject NodeToJson(const Node& node)
{
    const TRecord& r = node.record();
    QJsonArray children;
    for (const auto& child : node.children())
        children.append(NodeToJson(*child));
    return QJsonObject{
        {"Name", FromSjis(node.name())},
        {"Body", FromSjis(r.Body)},
        {"Publish", r.Publish},
        {"Hide", r.Hide},
        {"EditSource", r.EditSource},
        {"SelStart", r.SelStart},
        {"SelLength", r.SelLength},
        {"Children", children},
    };
}

// Reads JSON strings into page texts, remembering the first that cannot be held.
struct TextReader {
    QString error;

    SjisString strict(const QJsonObject& json, const char* key)
    {
        QString text = json.value(QLatin1String(key)).toString();
        std::optional<SjisString> bytes = TextCodec::FromUnicodeStrict(text);
        if (!bytes) {
            if (error.isEmpty())
                error = QStringLiteral("\"%1\" holds \"%2\", which Shift_JIS cannot hold")
                            .arg(QLatin1String(key), TextCodec::FirstUnencodable(text).value_or(QString()));
            return {};
        }
        return *bytes;
    }
    static SjisString withReferences(const QJsonObject& json, const char* key)
    {
        return TextCodec::FromUnicodeWithReferences(json.value(QLatin1String(key)).toString());
    }
};

void AddNodes(Page& page, Node* parent, const QJsonArray& nodes, TextReader& texts)
{
    for (const QJsonValue& value : nodes) {
        const QJsonObject json = value.toObject();
        Node* node = page.AddChildNode(parent);
        page.RenameNode(node, texts.strict(json, "Name"));
        TRecord& r = node->record();
        r.Body = TextReader::withReferences(json, "Body");
        r.Publish = json.value("Publish").toBool(true);
        r.Hide = json.value("Hide").toBool(false);
        r.EditSource = json.value("EditSource").toBool(true);
        r.SelStart = json.value("SelStart").toInt(0);
        r.SelLength = json.value("SelLength").toInt(0);
        AddNodes(page, node, json.value("Children").toArray(), texts);
        node->expanded = false;
    }
}

} // namespace

QJsonObject PageToJson(const Page& page)
{
    QJsonArray nodes;
    for (const auto& top : page.topLevelNodes())
        nodes.append(NodeToJson(*top));
    return QJsonObject{
        {"Title", FromSjis(page.Title)},
        {"FileName", FromSjis(page.FileName)},
        {"DatabasePath", FromSjis(page.DatabasePath)},
        {"Category", FromSjis(page.Category)},
        {"CategoryUrl", FromSjis(page.CategoryUrl)},
        {"Upload", page.Upload},
        {"Charset", QString::fromLatin1(CharsetName(page.CharacterSet).data())},
        {"Doctype", FromSjis(page.Doctype)},
        {"StyleSheetFileName", FromSjis(page.StyleSheetFileName)},
        {"JavaScriptFileName", FromSjis(page.JavaScriptFileName)},
        {"EnableStyleSheet", page.EnableStyleSheet},
        {"EnableJavaScript", page.EnableJavaScript},
        {"FtpSettingName", FromSjis(page.FtpSettingName)},
        {"RemoteFolder", FromSjis(page.RemoteFolder)},
        {"UserHeader", FromSjis(page.UserHeader)},
        {"Nodes", nodes},
    };
}

QString PageFromJson(const QJsonObject& json, Page& page)
{
    TextReader texts;
    page.Title = texts.strict(json, "Title");
    page.FileName = texts.strict(json, "FileName");
    page.DatabasePath = texts.strict(json, "DatabasePath");
    page.Category = texts.strict(json, "Category");
    page.CategoryUrl = texts.strict(json, "CategoryUrl");
    page.Upload = json.value("Upload").toBool(false);
    const QString charset = json.value("Charset").toString(QStringLiteral("iso-2022-jp"));
    if (charset.compare(QLatin1String("Shift_JIS"), Qt::CaseInsensitive) == 0)
        page.CharacterSet = Charset::ShiftJis;
    else if (charset.compare(QLatin1String("EUC-JP"), Qt::CaseInsensitive) == 0)
        page.CharacterSet = Charset::EucJp;
    else if (charset.compare(QLatin1String("iso-2022-jp"), Qt::CaseInsensitive) == 0)
        page.CharacterSet = Charset::Iso2022Jp;
    else
        return QStringLiteral("\"Charset\" must be iso-2022-jp, Shift_JIS or EUC-JP, not \"%1\"").arg(charset);
    page.Doctype = texts.strict(json, "Doctype");
    page.StyleSheetFileName = texts.strict(json, "StyleSheetFileName");
    page.JavaScriptFileName = texts.strict(json, "JavaScriptFileName");
    page.EnableStyleSheet = json.value("EnableStyleSheet").toBool(false);
    page.EnableJavaScript = json.value("EnableJavaScript").toBool(false);
    page.FtpSettingName = texts.strict(json, "FtpSettingName");
    page.RemoteFolder = texts.strict(json, "RemoteFolder");
    page.UserHeader = TextReader::withReferences(json, "UserHeader");
    AddNodes(page, nullptr, json.value("Nodes").toArray(), texts);
    return texts.error;
}
