// The block converters that do not convert, and the whole-text frame.
#include "publish/JconvertBlocks.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace jconvert {

const BlockConverter IdentityBlocks = {
    [](const Input& in, std::size_t, BlockState&, char*& out) {
        if (in.size > 0)
            std::memcpy(out, in.bytes, in.size);
        out += in.size;
        return in.size;
    },
    [](const Input&, BlockState&, char*&) {},
    0,
    1,
    [](const Input& in, const BlockState&) { return in.size; },
};

const BlockConverter EmptyBlocks = {
    [](const Input& in, std::size_t, BlockState&, char*&) { return in.size; },
    [](const Input&, BlockState&, char*&) {},
    0,
    0,
    [](const Input&, const BlockState&) { return std::size_t(0); },
};

// Block by block, as a stream would, through a buffer that stays in the
// cache, appended to a result reserved at the bound: the result is written
// once and never zero-filled, moved or touched beyond what it holds.
std::string ConvertWhole(const BlockConverter& converter, std::string_view text, BlockState state)
{
    constexpr std::size_t blockSize = 64 * 1024;
    const std::size_t lookAhead = converter.lookAhead;
    std::string result;
    result.reserve(converter.bound(Input(text), state));
    std::vector<char> buffer(converter.growth * (blockSize + lookAhead) + BlockSlack);
    for (std::size_t at = 0;;) {
        const bool last = text.size() - at <= blockSize + lookAhead;
        const Input in(text.substr(at, last ? std::string_view::npos : blockSize + lookAhead));
        char* out = buffer.data();
        const std::size_t done = std::min(converter.convert(in, last ? in.size : blockSize, state, out), in.size);
        if (last)
            converter.end(Input(text.substr(at + done)), state, out);
        if (std::size_t(out - buffer.data()) > buffer.size())
            std::abort(); // a wrong growth has already overrun the buffer
        result.append(buffer.data(), std::size_t(out - buffer.data()));
        if (last)
            return result;
        at += done;
    }
}

} // namespace jconvert
