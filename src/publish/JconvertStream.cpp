#include "publish/JconvertStream.h"

#include "publish/Jconvert.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

using namespace jconvert;

namespace {

// InCodeCheck decides on the first bytes that settle it, with two provisos:
// a text's binary test looks at up to STRICT_CHECK_LEN bytes whatever the
// scan found, and a step near the end of the head may not have seen the
// bytes it would see in the whole text. A decided scan result of a head
// longer than the binary test is therefore final: the deciding step read
// only bytes inside the head (an escape cut short reads 0 and decides
// nothing). Binary content found in the head is binary content of the text.
std::optional<int> DecidedCode(std::string_view head, bool complete)
{
    const int code = InCodeCheck(head);
    if (complete || code == CODE_BINARY)
        return code;
    if (code == CODE_ASCII || code == CODE_EUC_OR_SJIS)
        return std::nullopt;
    if (STRICT_CHECK_LEN > 0 && head.size() <= std::size_t(STRICT_CHECK_LEN))
        return std::nullopt;
    return code;
}

// The first line break decides; a CR needs the byte after it.
std::optional<int> DecidedLineBreaks(std::string_view head, bool complete)
{
    const std::size_t at = head.find_first_of("\r\n");
    if (!complete && (at == std::string_view::npos || (head[at] == '\r' && at + 1 == head.size())))
        return std::nullopt;
    return ReturnCodeCheck(head);
}

} // namespace

JconvertStream::JconvertStream(const BlockConverter* converter, BlockState state, Decide decide, int target)
    : converter_(converter), state_(state), decide_(decide), target_(target)
{
}

JconvertStream JconvertStream::Code(int inputCode, int targetCode)
{
    return JconvertStream(&CodeConverter(inputCode, targetCode), {}, nullptr, targetCode);
}

JconvertStream JconvertStream::DetectedCode(int targetCode)
{
    return JconvertStream(nullptr, {}, DecidedCode, targetCode);
}

JconvertStream JconvertStream::LineBreaks(int inputKind, int targetKind)
{
    return JconvertStream(&LineBreakConverter(inputKind, targetKind), {false, inputKind, targetKind}, nullptr,
                          targetKind);
}

JconvertStream JconvertStream::DetectedLineBreaks(int targetKind)
{
    return JconvertStream(nullptr, {}, DecidedLineBreaks, targetKind);
}

JconvertStream JconvertStream::Base64()
{
    return JconvertStream(&Base64Blocks, {}, nullptr, 0);
}

char* JconvertStream::Room(std::size_t size)
{
    if (!converter_) {
        if (pendingSize_ + size > pending_.size())
            pending_.resize(std::max(pendingSize_ + size, 2 * pending_.size()));
        return pending_.data() + pendingSize_;
    }
    if (carry_ + size > input_.size())
        input_.resize(carry_ + size);
    return input_.data() + carry_;
}

void JconvertStream::Push(std::size_t size, const Sink& sink)
{
    if (converter_) {
        Convert(carry_ + size, false, sink);
        return;
    }
    pendingSize_ += size;
    // Deciding again only when the held text has doubled keeps the
    // detection's cost linear in the text however long it stays undecided.
    if (pendingSize_ < nextCheck_)
        return;
    nextCheck_ = 2 * pendingSize_;
    if (const std::optional<int> detected = decide_({pending_.data(), pendingSize_}, false)) {
        Start(*detected);
        ReleasePending(false, sink);
    }
}

void JconvertStream::Feed(std::string_view block, const Sink& sink)
{
    if (!block.empty())
        std::memcpy(Room(block.size()), block.data(), block.size());
    Push(block.size(), sink);
}

void JconvertStream::Finish(const Sink& sink)
{
    if (!converter_) {
        Start(*decide_({pending_.data(), pendingSize_}, true));
        ReleasePending(true, sink);
        return;
    }
    Convert(carry_, true, sink);
}

void JconvertStream::Start(int detected)
{
    if (decide_ == DecidedLineBreaks) {
        converter_ = &LineBreakConverter(detected, target_);
        state_ = {false, detected, target_};
    } else {
        converter_ = &CodeConverter(detected, target_);
    }
}

// The held-back text goes through in blocks like any other input.
void JconvertStream::ReleasePending(bool complete, const Sink& sink)
{
    for (std::size_t done = 0; done < pendingSize_;) {
        const std::size_t size = std::min(BlockSize, pendingSize_ - done);
        std::memcpy(Room(size), pending_.data() + done, size);
        Convert(carry_ + size, false, sink);
        done += size;
    }
    std::vector<char>().swap(pending_);
    pendingSize_ = 0;
    if (complete)
        Convert(carry_, true, sink);
}

// Converts the first `size` bytes of input_; keeps the bytes the converter
// could not take yet at its start for the next block.
void JconvertStream::Convert(std::size_t size, bool last, const Sink& sink)
{
    const Input in(std::string_view(input_.data(), size));
    const std::size_t lookAhead = converter_->lookAhead;
    const std::size_t stepEnd = last ? size : size > lookAhead ? size - lookAhead : 0;
    // The tight bound would cost a pass over every block; the room a block
    // can need at most is allocated once.
    const std::size_t bound = converter_->growth * size + BlockSlack;
    if (output_.size() < bound)
        output_.resize(std::max(bound, 2 * output_.size()));

    char* out = output_.data();
    const std::size_t done = std::min(converter_->convert(in, stepEnd, state_, out), size);
    if (last)
        converter_->end(Input(std::string_view(input_.data() + done, size - done)), state_, out);
    const std::size_t written = std::size_t(out - output_.data());
    if (written > bound)
        std::abort(); // a wrong bound has already overrun the buffer
    carry_ = last ? 0 : size - done;
    if (carry_ > 0)
        std::memmove(input_.data(), input_.data() + done, carry_);
    if (written > 0)
        sink({output_.data(), written});
}
