#pragma once

// The routines as block converters: the same steps serve a whole text and a
// text that arrives a block at a time (JconvertStream). A step is the work
// on one character, escape or line break; what a step needs from the bytes
// after its first is bounded, so a block can stop before a step that would
// read past its end and leave those few bytes for the next block, and the
// mode a step leaves behind travels in BlockState.

#include "publish/JconvertBytes.h"

#include <string>
#include <string_view>

namespace jconvert {

// What a conversion carries from one block of a text to the next, besides
// the bytes it has not used yet.
struct BlockState {
    bool twoByte = false; // ISO-2022-JP two-byte mode: of the output (to JIS) or of the input (from JIS)
    int fromKind = 0;     // line breaks: the kind replaced (RC_*)
    int toKind = 0;       // line breaks: the kind written in its place
};

// One routine in steps.
// convert: runs the steps that start before `stepEnd` and returns where it
//   stopped, at stepEnd or after it (only the last block of a text may stop
//   earlier: an escape cut short by the end ends the conversion; and a pair
//   that starts on its last byte ends one past in.size). A step reads
//   at most `lookAhead` bytes after its first, and a read past `in.size`
//   gives 0. A block with more text to come passes in.size - lookAhead, so
//   that every step it runs sees real bytes; the last block passes in.size.
// end: after the last block, with the bytes its convert left (Base64's last
//   group); writes what closes the output.
// growth, bound: convert and end write at most growth * in.size +
//   BlockSlack bytes, and at most bound(in) bytes (which takes a pass over
//   the text to be tight), from any state; WriteSlack included.
struct BlockConverter {
    std::size_t (*convert)(const Input& in, std::size_t stepEnd, BlockState& state, char*& out);
    void (*end)(const Input& rest, BlockState& state, char*& out);
    std::size_t lookAhead;
    std::size_t growth;
    std::size_t (*bound)(const Input& in, const BlockState& state);
};
// A last Base64 group, a pair cut short, the closing escape; and WriteSlack.
inline constexpr std::size_t BlockSlack = 8 + WriteSlack;

extern const BlockConverter IdentityBlocks; // the text unchanged
extern const BlockConverter EmptyBlocks;    // nothing
extern const BlockConverter Jis2EucBlocks, Jis2SjisBlocks;
extern const BlockConverter Euc2SjisBlocks, Sjis2EucBlocks;
extern const BlockConverter Euc2Jis83Blocks, Sjis2Jis83Blocks;
extern const BlockConverter LineBreakBlocks; // the kinds in BlockState
extern const BlockConverter Base64Blocks;

// What StrictConvertJCode does for these codes.
const BlockConverter& CodeConverter(int inputCode, int targetCode);
// What StrictConvertReturnCode does for these kinds, with the state to start from.
const BlockConverter& LineBreakConverter(int inputKind, int targetKind);

// The whole text as one last block.
std::string ConvertWhole(const BlockConverter& converter, std::string_view text, BlockState state = {});

} // namespace jconvert
