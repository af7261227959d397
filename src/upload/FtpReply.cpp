#include "upload/FtpReply.h"

#include "upload/SocketText.h"

#include <stdexcept>

namespace FtpReply {

int ReplyCode(SjisView line)
{
    long long value = 0;
    int digits = 0;
    while (digits < int(line.size()) && digits < 10 && line[size_t(digits)] >= '0'
           && line[size_t(digits)] <= '9') {
        value = value * 10 + (line[size_t(digits)] - '0');
        ++digits;
    }
    if (value > 32767)
        throw std::out_of_range("reply code out of range");
    return int(value);
}

bool IsContinuation(SjisView line)
{
    return (!line.empty() && line[0] == ' ') || (line.size() >= 4 && line[3] == '-');
}

bool HasReplyCode(SjisView line)
{
    auto digit = [&](size_t i) { return line.size() > i && line[i] >= '0' && line[i] <= '9'; };
    return digit(0) && line[0] >= '1' && line[0] <= '5' && digit(1) && digit(2) && !digit(3);
}

bool IsPreliminary(SjisView line)
{
    return HasReplyCode(line) && line[0] == '1';
}

ReplyReader::ReplyReader(SjisView firstLine)
{
    multiLine_ = firstLine.size() >= 4 && firstLine[3] == '-';
    if (multiLine_) {
        for (int i = 0; i < 3; ++i)
            code_[i] = firstLine[size_t(i)];
    }
    needsMore_ = IsContinuation(firstLine);
}

bool ReplyReader::Ends(SjisView line) const
{
    if (!multiLine_)
        return !IsContinuation(line);
    // "ddd " or "ddd" alone ends the reply that "ddd-" began.
    if (line.size() < 3 || line[0] != code_[0] || line[1] != code_[1] || line[2] != code_[2])
        return false;
    return line.size() == 3 || line[3] == ' ' || line[3] == '\r' || line[3] == '\n';
}

void ReplyReader::Add(SjisView line)
{
    ++lines_;
    needsMore_ = !Ends(line) && !TooLong();
}

namespace {

SjisView WithoutLineBreakView(SjisView line)
{
    while (!line.empty() && (line.back() == '\r' || line.back() == '\n'))
        line.remove_suffix(1);
    return line;
}

std::optional<int> ByteValue(SjisView text)
{
    while (!text.empty() && text.front() == ' ')
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\r' || text.back() == '\n'))
        text.remove_suffix(1);
    if (text.empty() || text.size() > 3)
        return std::nullopt;
    int value = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + (c - '0');
    }
    if (value > 255)
        return std::nullopt;
    return value;
}

} // namespace

std::optional<uint16_t> PasvPort(SjisView reply)
{
    const SjisString high = SocketText::NthWord(reply, ',', 5);
    SjisString low = SocketText::NthWord(reply, ',', 6);
    low = low.substr(0, low.find(')'));
    const auto h = ByteValue(high);
    const auto l = ByteValue(low);
    if (!h || !l)
        return std::nullopt;
    return uint16_t(*h * 256 + *l);
}

std::optional<uint16_t> EpsvPort(SjisView reply)
{
    const size_t open = reply.find('(');
    if (open == SjisView::npos)
        return std::nullopt;
    SjisView rest = reply.substr(open + 1);
    // (d d d port d): the address fields are empty in a reply.
    if (rest.size() < 5)
        return std::nullopt;
    const char d = rest[0];
    if (d < '!' || d > '~' || (d >= '0' && d <= '9') || rest[1] != d || rest[2] != d)
        return std::nullopt;
    rest.remove_prefix(3);
    unsigned port = 0;
    size_t digits = 0;
    while (digits < rest.size() && rest[digits] >= '0' && rest[digits] <= '9' && digits < 5)
        port = port * 10 + unsigned(rest[digits++] - '0');
    if (digits == 0 || digits >= rest.size() || rest[digits] != d || port == 0 || port > 65535)
        return std::nullopt;
    return uint16_t(port);
}

std::optional<int64_t> StoredSize(SjisView reply)
{
    if (!HasReplyCode(reply) || reply.substr(0, 3) != "213")
        return std::nullopt;
    SjisView rest = WithoutLineBreakView(reply.substr(3));
    while (!rest.empty() && rest.front() == ' ')
        rest.remove_prefix(1);
    while (!rest.empty() && rest.back() == ' ')
        rest.remove_suffix(1);
    // 18 digits stay below the 64-bit limit.
    if (rest.empty() || rest.size() > 18)
        return std::nullopt;
    int64_t size = 0;
    for (char c : rest) {
        if (c < '0' || c > '9')
            return std::nullopt;
        size = size * 10 + (c - '0');
    }
    return size;
}

SjisString PwdFolder(SjisView reply)
{
    const size_t open = reply.find('"');
    if (open == SjisView::npos)
        return {};
    SjisString folder;
    for (size_t i = open + 1; i < reply.size(); ++i) {
        if (reply[i] == '"') {
            if (i + 1 >= reply.size() || reply[i + 1] != '"')
                break;
            ++i; // a doubled quote is one quote of the name
        }
        folder += reply[i];
    }
    return folder;
}

SjisString WithoutLineBreak(SjisView line)
{
    return SjisString(WithoutLineBreakView(line));
}

} // namespace FtpReply
