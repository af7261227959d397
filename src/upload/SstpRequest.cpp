#include "upload/SstpRequest.h"

#include <algorithm>
#include <cctype>

namespace SstpRequest {

namespace {

bool EqualNoCase(SjisView a, SjisView b)
{
    return a.size() == b.size()
           && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
                  return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
              });
}

SjisView NameOf(SjisView line)
{
    return line.substr(0, line.find(':'));
}

SjisView ValueOf(SjisView line)
{
    const size_t at = line.find(": ");
    return at == SjisView::npos ? SjisView() : line.substr(at + 2);
}

} // namespace

SjisString Header(const HeaderLines& lines, SjisView name)
{
    for (const SjisString& line : lines)
        if (EqualNoCase(NameOf(line), name))
            return SjisString(ValueOf(line));
    return {};
}

void SetHeader(HeaderLines& lines, SjisView name, SjisView value)
{
    auto found = std::find_if(lines.begin(), lines.end(), [name](const SjisString& line) {
        return line.size() >= name.size() && EqualNoCase(SjisView(line).substr(0, name.size()), name);
    });
    SjisString line = SjisString(name) + ": " + SjisString(value);
    if (found == lines.end())
        lines.push_back(std::move(line));
    else if (value.empty())
        lines.erase(found);
    else
        *found = std::move(line);
}

SjisString Build(const HeaderLines& lines)
{
    const bool hasEntry = std::any_of(lines.begin(), lines.end(),
                                      [](const SjisString& l) { return NameOf(l) == "Entry"; });
    std::vector<SjisView> names;
    SjisString text;
    if (!Header(lines, "HWnd").empty()) {
        text = "SEND SSTP/1.3\r\n";
        names = {"Sender", "Script", "HWnd", "Option", "Entry"};
    } else if (!hasEntry) {
        text = "SEND SSTP/1.0\r\n";
        names = {"Sender", "Script", "Option"};
    } else {
        text = "SEND SSTP/1.2\r\n";
        names = {"Sender", "Script", "Option", "Entry"};
    }
    for (SjisView name : names) {
        for (const SjisString& line : lines) {
            if (NameOf(line) == name && !ValueOf(line).empty())
                text += SjisString(name) + ": " + SjisString(ValueOf(line)) + "\r\n";
        }
    }
    text += "\r\n";
    return text;
}

int ReplyCode(SjisView reply)
{
    // "SSTP/1.4 200 OK": the three characters after the protocol word, its
    // version and a blank.
    if (reply.size() < 12)
        return 0;
    int code = 0;
    for (char c : reply.substr(9, 3)) {
        if (c < '0' || c > '9')
            return 0;
        code = code * 10 + (c - '0');
    }
    return code;
}

SjisString FirstLine(SjisView reply)
{
    return SjisString(reply.substr(0, reply.find("\r\n")));
}

} // namespace SstpRequest
