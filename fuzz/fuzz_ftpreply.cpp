// FTP server replies: where a reply ends, its code, the PASV and EPSV
// ports, the stored size and the PWD folder, on any bytes a hostile server
// might send.
#include "upload/FtpReply.h"
#include "upload/SocketText.h"

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string input(reinterpret_cast<const char*>(data), size);
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < input.size()) {
        size_t end = input.find('\n', start);
        end = end == std::string::npos ? input.size() : end + 1;
        lines.push_back(input.substr(start, end - start));
        start = end;
    }
    if (lines.empty())
        lines.emplace_back();

    FtpReply::ReplyReader reader(lines[0]);
    for (size_t i = 1; i < lines.size() && reader.NeedsMore(); ++i)
        reader.Add(lines[i]);
    for (const std::string& line : lines) {
        try {
            const int code = FtpReply::ReplyCode(line);
            if (code < 0 || code > 32767)
                __builtin_trap();
        } catch (const std::out_of_range&) {
        }
        (void)FtpReply::IsContinuation(line);
        if (FtpReply::IsPreliminary(line) && !FtpReply::HasReplyCode(line))
            __builtin_trap();
        if (auto port = FtpReply::PasvPort(line); port && *port > 65535)
            __builtin_trap();
        if (auto port = FtpReply::EpsvPort(line); port && *port == 0)
            __builtin_trap();
        if (auto stored = FtpReply::StoredSize(line); stored && (*stored < 0 || !FtpReply::HasReplyCode(line)))
            __builtin_trap();
        const std::string folder = FtpReply::PwdFolder(line);
        if (folder.size() > line.size())
            __builtin_trap();
        (void)FtpReply::WithoutLineBreak(line);
        (void)SocketText::NthWord(line, ',', int(size % 8));
        if (!line.empty()) {
            const int pos = SocketText::NthPos(line, ',', int(size % 5) + 1);
            if (pos < 1 || pos > int(line.size()) + 1)
                __builtin_trap();
        }
    }
    return 0;
}
