// The block converters that do not convert, and the whole-text frame.
#include "publish/JconvertBlocks.h"

#include <algorithm>
#include <cstring>

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

std::string ConvertWhole(const BlockConverter& converter, std::string_view text, BlockState state)
{
    const Input in(text);
    return WriteBounded(converter.bound(in, state), [&](char* const start) {
        char* out = start;
        const std::size_t done = std::min(converter.convert(in, in.size, state, out), in.size);
        converter.end(Input(text.substr(done)), state, out);
        return std::size_t(out - start);
    });
}

} // namespace jconvert
