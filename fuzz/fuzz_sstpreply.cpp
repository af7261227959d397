// SSTP companion replies and the header store, on any bytes.
#include "upload/SstpRequest.h"

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string reply(reinterpret_cast<const char*>(data), size);
    const int code = SstpRequest::ReplyCode(reply);
    if (code < 0 || code > 999)
        __builtin_trap();
    if (SstpRequest::FirstLine(reply).size() > reply.size())
        __builtin_trap();

    // The same bytes as header lines: setting and reading never break the
    // request's shape (request line first, empty line last).
    SstpRequest::HeaderLines store;
    size_t start = 0;
    while (start < reply.size()) {
        size_t end = reply.find('\n', start);
        if (end == std::string::npos)
            end = reply.size();
        const std::string line = reply.substr(start, end - start);
        const size_t colon = line.find(':');
        if (colon != std::string::npos)
            SstpRequest::SetHeader(store, line.substr(0, colon), line.substr(colon + 1));
        else
            store.push_back(line);
        (void)SstpRequest::Header(store, line);
        start = end + 1;
    }
    const std::string request = SstpRequest::Build(store);
    if (request.compare(0, 10, "SEND SSTP/") != 0 || request.size() < 4
        || request.compare(request.size() - 4, 4, "\r\n\r\n") != 0)
        __builtin_trap();
    return 0;
}
