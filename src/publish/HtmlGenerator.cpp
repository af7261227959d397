#include "publish/HtmlGenerator.h"

#include "document/Page.h"
#include "document/ProgramConstants.h"
#include "document/TextCodec.h"

#include <cassert>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

namespace {

// One spelling of every generated piece. In a pattern each "{}" takes the
// next value, inserted unchanged. The two sets differ only in spelling, and
// some mixed spellings of the lower-case set ("Href" in the link, "</A>"
// after the toggle anchor and the corrections link, "onClick", the values
// "Author", "StyleSheet", "LastModified", "Footer") are part of the output
// that existing pages and style sheets rely on: keep them as they are.
struct TagSet {
    const char* htmlStart;
    const char* headStart;
    const char* charsetMeta;
    const char* authorMeta;
    const char* generatorMeta;
    const char* title;
    const char* link;
    const char* script;
    const char* headEnd;
    const char* bodyStart;
    const char* headerCall;
    const char* noScriptStart;
    const char* h1;
    const char* rule;
    const char* stamp;
    const char* noScriptEnd;
    const char* heading;      // level, content, level
    const char* toggleAnchor; // index three times, then the node's name
    const char* plainBody;
    const char* hiddenBody;   // index, body
    const char* sectionStart; // index; the Hide comment follows
    const char* sectionEnd;
    const char* footerCall;
    const char* copyrightLine; // category URL, category, year, author
    const char* correctionsLine;
    const char* authorSupportLine;
    const char* bodyEnd;
    const char* htmlEnd;
};

constexpr TagSet CapitalisedTags = {
    "<Html>\n",
    "<Head>\n",
    "<Meta HTTP-EQUIV=\"content-type\" Content=\"text/html; charset={}\">\n",
    "<Meta Name=\"Author\" Content=\"{}\">\n",
    "<Meta Name=\"Generator\" Content=\"{}\">\n",
    "<Title>{}</Title>\n",
    "<Link Href=\"{}\" Rel=\"StyleSheet\" Type=\"text/css\">\n",
    "<Script Language=\"JavaScript\" Src=\"{}\"></Script>\n",
    "</Head>\n",
    // "ja" is the language code of Japanese: browsers pick Japanese glyph
    // forms and fonts by it.
    "<Body Lang=\"ja\">\n",
    "<Script>Header( \"{}\" )</Script>\n",
    "<NoScript>\n",
    "<H1>{}</H1>\n",
    "<HR>\n",
    "<Div Class=\"LastModified\">Last Modified: {}</Div>\n",
    "</NoScript>\n",
    "<H{}>{}</H{}>\n",
    "<A Href=\"JavaScript:\" onClick=\"if( X{}.style.display=='none' ) X{}.style.display=''; "
    "else X{}.style.display='none';\">{}</A>",
    "<Div>\n{}\n</Div>\n",
    "<Div ID=\"X{}\" Style=\"display:none\">\n{}\n</Div>\n",
    "<Div ID=\"X{}\" Style=\"display:none\">",
    "</Div>\n",
    "<Script>Footer( \"{}\", \"{}\", \"{}\", \"{}\", \"{}\" )</Script>\n",
    "<HR><Div Class=\"Footer\">&#34;<A Href=\"{}\">{}</A>&#34;, Copyright &#169;{} {}, All Rights Reserved.</Div>\n",
    "<Div Class=\"Footer\">Requests for Corrections to <A Href=\"mailto:{}\">{}</A>.</Div>\n",
    "<Div Class=\"Footer\">Author: <A Href=\"mailto:{}\">{}</A>, "
    "Requests for Corrections to <A Href=\"{}\">Support</A>.</Div>\n",
    "</Body>\n",
    "</Html>",
};

constexpr TagSet LowerCaseTags = {
    "<html>\n",
    "<head>\n",
    "<meta http-equiv=\"content-type\" content=\"text/html; charset={}\">\n",
    "<meta name=\"Author\" content=\"{}\">\n",
    "<meta name=\"Generator\" content=\"{}\">\n",
    "<title>{}</title>\n",
    "<link Href=\"{}\" rel=\"StyleSheet\" type=\"text/css\">\n",
    "<script language=\"JavaScript\" src=\"{}\"></script>\n",
    "</head>\n",
    "<body lang=\"ja\">\n",
    "<script>Header( \"{}\" )</script>\n",
    "<noscript>\n",
    "<h1>{}</h1>\n",
    "<hr>\n",
    "<div class=\"LastModified\">Last Modified: {}</div>\n",
    "</noscript>\n",
    "<h{}>{}</h{}>\n",
    "<a href=\"JavaScript:\" onClick=\"if( X{}.style.display=='none' ) X{}.style.display=''; "
    "else X{}.style.display='none';\">{}</A>",
    "<div>\n{}\n</div>\n",
    "<div id=\"X{}\" style=\"display:none\">\n{}\n</div>\n",
    "<div id=\"X{}\" style=\"display:none\">",
    "</div>\n",
    "<script>Footer( \"{}\", \"{}\", \"{}\", \"{}\", \"{}\" )</script>\n",
    "<hr><div class=\"Footer\">&#34;<a href=\"{}\">{}</a>&#34;, Copyright &#169;{} {}, All Rights Reserved.</div>\n",
    "<div class=\"Footer\">Requests for Corrections to <a href=\"mailto:{}\">{}</A>.</div>\n",
    "<div class=\"Footer\">Author: <a href=\"mailto:{}\">{}</a>, "
    "Requests for Corrections to <a href=\"{}\">Support</a>.</div>\n",
    "</body>\n",
    "</html>",
};

constexpr char DefaultDoctypeLine[] = "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.0//EN\">\n";

// The comments are the same in both sets.
struct Comments {
    SjisString sharedLibrary = TextCodec::Sjis("<!-- INFO: 共有ライブラリ -->\n");
    SjisString userHeader = TextCodec::Sjis("<!-- INFO: ユーザ定義ヘッダーです -->\n");
    SjisString pageHeader = TextCodec::Sjis("<!-- INFO: ページヘッダーです -->\n");
    SjisString hiddenChildren = TextCodec::Sjis("<!-- INFO: ここから子ノードは Hide 設定です。-->\n");
    SjisString pageFooter = TextCodec::Sjis("<!-- INFO: ページフッターです -->\n");
};

const Comments& comments()
{
    static const Comments c;
    return c;
}

// The charset as the content-type meta element names it.
SjisView MetaCharsetName(Charset charset)
{
    switch (charset) {
    case Charset::EucJp: return "euc-jp";
    case Charset::ShiftJis: return "Shift_JIS";
    case Charset::Iso2022Jp: break;
    }
    return "iso-2022-jp";
}

// Fields are formatted by hand: the stamp must not follow the locale's digits.
std::string Padded(int value, int width)
{
    std::string digits = std::to_string(value);
    if (int(digits.size()) < width)
        digits.insert(0, size_t(width) - digits.size(), '0');
    return digits;
}

// "mm/dd/yyyy hh:nn:ss", 24-hour clock.
std::string Stamp(const QDateTime& now)
{
    const QDate d = now.date();
    const QTime t = now.time();
    return Padded(d.month(), 2) + '/' + Padded(d.day(), 2) + '/' + Padded(d.year(), 4) + ' ' + Padded(t.hour(), 2) + ':'
        + Padded(t.minute(), 2) + ':' + Padded(t.second(), 2);
}

// Appends the pattern with each "{}" replaced by the next value.
void Fill(SjisString& out, std::string_view pattern, std::initializer_list<SjisView> values)
{
    const SjisView* value = values.begin();
    for (size_t mark; (mark = pattern.find("{}")) != std::string_view::npos;) {
        assert(value != values.end());
        out.append(pattern.substr(0, mark));
        out.append(*value++);
        pattern.remove_prefix(mark + 2);
    }
    assert(value == values.end());
    out.append(pattern);
}

class Generator {
public:
    Generator(const Page& page, const GeneratorOptions& options, const TagSet& tags, const QDateTime& now)
        : page_(page), options_(options), tags_(tags), now_(now)
    {
    }

    void head(SjisString& out) const
    {
        const PageProperties& p = page_;
        out += tags_.htmlStart;
        out += tags_.headStart;
        Fill(out, tags_.charsetMeta, {MetaCharsetName(p.CharacterSet)});
        Fill(out, tags_.authorMeta, {options_.Author});
        if (options_.Generator)
            Fill(out, tags_.generatorMeta, {ProgramConstants::VersionString});
        Fill(out, tags_.title, {p.Title});
        if (p.EnableStyleSheet || p.EnableJavaScript)
            out += comments().sharedLibrary;
        if (p.EnableStyleSheet)
            Fill(out, tags_.link, {p.StyleSheetFileName});
        if (p.EnableJavaScript)
            Fill(out, tags_.script, {p.JavaScriptFileName});
    }

    // With JavaScript on, the Header call draws the page header and the
    // generated one is only the fallback.
    void pageHeader(SjisString& out) const
    {
        const PageProperties& p = page_;
        const std::string stamp = Stamp(now_);
        out += comments().userHeader;
        out += p.UserHeader;
        out += '\n';
        out += tags_.headEnd;
        out += '\n';
        out += tags_.bodyStart;
        out += comments().pageHeader;
        if (p.EnableJavaScript) {
            Fill(out, tags_.headerCall, {p.Title});
            out += tags_.noScriptStart;
        }
        Fill(out, tags_.h1, {p.Title});
        out += tags_.rule;
        Fill(out, tags_.stamp, {stamp});
        if (p.EnableJavaScript)
            out += tags_.noScriptEnd;
    }

    // One heading per published node. A hidden node with a body hides just
    // its body; a hidden node without one opens a section that stays open
    // over its descendants, up to the next node at its level or above.
    void outline(SjisString& out) const
    {
        std::vector<int> openSections; // heading levels of the nodes that opened them
        std::vector<std::pair<const Node*, int>> pending; // node, heading level
        const auto& top = page_.topLevelNodes();
        for (auto it = top.rbegin(); it != top.rend(); ++it)
            pending.emplace_back(it->get(), 2);
        for (int index = 0; !pending.empty(); ++index) {
            auto [node, level] = pending.back();
            pending.pop_back();
            const auto& children = node->children();
            for (auto it = children.rbegin(); it != children.rend(); ++it)
                pending.emplace_back(it->get(), level + 1);

            while (!openSections.empty() && openSections.back() >= level) {
                out += tags_.sectionEnd;
                openSections.pop_back();
            }
            const TRecord& record = node->record();
            if (!record.Publish)
                continue;
            const std::string levelText = std::to_string(level);
            const std::string indexText = std::to_string(index);
            if (record.Hide) {
                SjisString anchor;
                Fill(anchor, tags_.toggleAnchor, {indexText, indexText, indexText, node->name()});
                Fill(out, tags_.heading, {levelText, anchor, levelText});
            } else {
                Fill(out, tags_.heading, {levelText, node->name(), levelText});
            }
            if (!record.Body.empty()) {
                if (record.Hide)
                    Fill(out, tags_.hiddenBody, {indexText, record.Body});
                else
                    Fill(out, tags_.plainBody, {record.Body});
            } else if (record.Hide) {
                Fill(out, tags_.sectionStart, {indexText});
                out += comments().hiddenChildren;
                openSections.push_back(level);
            }
        }
        for (size_t i = 0; i < openSections.size(); ++i)
            out += tags_.sectionEnd;
    }

    // With JavaScript on, the Footer call draws the footer and the footer
    // lines are only the fallback.
    void footer(SjisString& out) const
    {
        const PageProperties& p = page_;
        const GeneratorOptions& o = options_;
        out += comments().pageFooter;
        if (p.EnableJavaScript) {
            Fill(out, tags_.footerCall, {p.CategoryUrl, p.Category, o.Author, o.Email, o.SupportUrl});
            out += tags_.noScriptStart;
        }
        const std::string year = Padded(now_.date().year(), 4);
        switch (o.DefaultFooterAction) {
        case 0:
            Fill(out, tags_.copyrightLine, {p.CategoryUrl, p.Category, year, o.Author});
            Fill(out, tags_.correctionsLine, {o.Email, o.Author});
            break;
        case 1:
            Fill(out, tags_.copyrightLine, {p.CategoryUrl, p.Category, year, o.Author});
            Fill(out, tags_.authorSupportLine, {o.Email, o.Author, o.SupportUrl});
            break;
        case 2:
            out += o.DefaultFooter;
            break;
        default:
            break;
        }
        if (p.EnableJavaScript)
            out += tags_.noScriptEnd;
        out += '\n';
        out += tags_.bodyEnd;
        out += tags_.htmlEnd;
    }

private:
    const Page& page_;
    const GeneratorOptions& options_;
    const TagSet& tags_;
    const QDateTime& now_;
};

size_t EstimatedSize(const Page& page)
{
    size_t size = 4096 + page.UserHeader.size();
    for (const auto& top : page.topLevelNodes())
        top->forEachInSubtree([&size](const Node* n) { size += 200 + n->name().size() * 2 + n->record().Body.size(); });
    return size;
}

// Null for a tag case that writes the DOCTYPE line alone.
const TagSet* TagSetOf(const GeneratorOptions& options)
{
    return options.DefaultTagCase == 0 ? &CapitalisedTags
        : options.DefaultTagCase == 1  ? &LowerCaseTags
                                       : nullptr;
}

} // namespace

SjisString GenerateOutlineHtml(const Page& page, const GeneratorOptions& options)
{
    SjisString out;
    if (const TagSet* tags = TagSetOf(options)) {
        const QDateTime unused; // the outline shows no date
        Generator(page, options, *tags, unused).outline(out);
    }
    return out;
}

SjisString GeneratePageHtml(const Page& page, const GeneratorOptions& options, const QDateTime& now)
{
    SjisString out;
    if (page.Doctype.empty())
        out = DefaultDoctypeLine;
    else
        Fill(out, "<!DOCTYPE {}>\n", {page.Doctype});

    const TagSet* tags = TagSetOf(options);
    if (!tags)
        return out;

    out.reserve(EstimatedSize(page));
    const Generator generator(page, options, *tags, now);
    generator.head(out);
    generator.pageHeader(out);
    generator.outline(out);
    generator.footer(out);
    return out;
}
