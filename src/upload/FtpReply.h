#pragma once

#include "document/SjisString.h"

#include <cstdint>
#include <optional>

// Parsing of FTP server replies, apart from any socket: the reply reader
// decides where a (multi-line) reply ends, the helpers take codes, the PASV
// port and the PWD folder out of reply lines. All of it is outside input and
// must stand any bytes.
namespace FtpReply {

// The leading decimal digits of a line (at most 10), 0 when it has none.
// Throws std::out_of_range when they exceed the 16-bit signed range.
int ReplyCode(SjisView line);

// A line that keeps a reply going: it begins with a blank or has '-' as its
// fourth character ("220-Welcome").
bool IsContinuation(SjisView line);

// A line that begins with a reply code: three digits, the first 1 to 5, and
// no fourth digit. A line without one is never a positive reply.
bool HasReplyCode(SjisView line);

// A preliminary reply (1xx): the final reply is still to come.
bool IsPreliminary(SjisView line);

// Collects the lines of one reply. A reply whose first line reads "ddd-"
// ends only at a line beginning "ddd " (RFC 959), whatever lines come
// between; otherwise it ends at the first line that is not a continuation.
class ReplyReader {
public:
    static constexpr int MaxLines = 10000;

    explicit ReplyReader(SjisView firstLine);
    // True while the reply needs another line.
    bool NeedsMore() const { return needsMore_; }
    void Add(SjisView line);
    // Too many lines: a server that never ends its reply.
    bool TooLong() const { return lines_ >= MaxLines; }
    int Lines() const { return lines_; }

private:
    bool Ends(SjisView line) const;

    char code_[3] = {0, 0, 0};
    bool multiLine_ = false;
    bool needsMore_ = false;
    int lines_ = 1;
};

// The data port of a PASV reply: the fifth comma-separated field is the high
// byte, the sixth (up to ')') the low byte. The address in the reply is not
// used. Nothing when the fields are not bytes.
std::optional<uint16_t> PasvPort(SjisView reply);

// The data port of an EPSV reply (RFC 2428): "229 ... (|||6446|)", any
// printable delimiter in place of '|'. Nothing when it is not that shape.
std::optional<uint16_t> EpsvPort(SjisView reply);

// The size in a SIZE reply, "213 1977"; nothing for any other reply.
std::optional<int64_t> StoredSize(SjisView reply);

// The folder of a PWD reply: the text between its first double quote and
// the next one that is not doubled; a doubled quote stands for one quote
// in the name ("/we""ird" is /we"ird). Without a closing quote, the rest of
// the line.
SjisString PwdFolder(SjisView reply);

// A reply line without its line break, for messages.
SjisString WithoutLineBreak(SjisView line);

} // namespace FtpReply
