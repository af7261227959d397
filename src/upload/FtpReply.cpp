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

SjisString PwdFolder(SjisView reply)
{
    return SocketText::NthWord(reply, '"', 2);
}

SjisString WithoutLineBreak(SjisView line)
{
    while (!line.empty() && (line.back() == '\r' || line.back() == '\n'))
        line.remove_suffix(1);
    return SjisString(line);
}

} // namespace FtpReply
