#pragma once

// JconvertStream: a conversion of the character-code unit over a text that
// arrives in blocks, in memory bounded by the block size. The output is,
// byte for byte, what the whole-text routine gives for all the blocks put
// together: a character, an escape, a CR LF or a Base64 group split between
// two blocks is converted as if it were not split, and ISO-2022-JP's mode
// carries over. A stream that detects its input's code or line breaks holds
// the input back until the detection has decided, then streams.

#include "publish/JconvertBlocks.h"

#include <cstddef>
#include <functional>
#include <optional>
#include <string_view>
#include <vector>

class JconvertStream {
public:
    // Receives the output as it is made; the view is valid for the call only.
    using Sink = std::function<void(std::string_view)>;
    // A block this size keeps the buffers in the processor's cache and the
    // system calls of a filter few.
    static constexpr std::size_t BlockSize = 64 * 1024;

    static JconvertStream Code(int inputCode, int targetCode);      // StrictConvertJCode
    static JconvertStream DetectedCode(int targetCode);             // ConvertJCode
    static JconvertStream LineBreaks(int inputKind, int targetKind); // StrictConvertReturnCode
    static JconvertStream DetectedLineBreaks(int targetKind);       // ConvertReturnCode
    static JconvertStream Base64();                                  // EncodeBase64

    // Room for the next `size` bytes of input, to be written there and then
    // handed over by Push; valid until the next call.
    char* Room(std::size_t size);
    // Converts the `size` bytes (at most the room asked for) just written.
    void Push(std::size_t size, const Sink& sink);
    void Feed(std::string_view block, const Sink& sink);
    // The end of the input: converts what the blocks left and closes the
    // output (ISO-2022-JP back in one-byte mode, Base64 padded). Once only.
    void Finish(const Sink& sink);

private:
    // Decides the input's code or kind from the text's first bytes, or
    // gives nothing while more of the text could change the answer.
    using Decide = std::optional<int> (*)(std::string_view head, bool complete);

    JconvertStream(const jconvert::BlockConverter* converter, jconvert::BlockState state, Decide decide, int target);
    void Start(int detected);
    void ReleasePending(bool complete, const Sink& sink);
    void Convert(std::size_t size, bool last, const Sink& sink);

    const jconvert::BlockConverter* converter_; // null until the detection decides
    jconvert::BlockState state_;
    Decide decide_;
    int target_;

    std::vector<char> pending_; // input held back for the detection
    std::size_t pendingSize_ = 0;
    std::size_t nextCheck_ = 1;

    std::vector<char> input_;  // the bytes the last block left, then the new block
    std::size_t carry_ = 0;
    std::vector<char> output_;
};
