// Fuzzes the block-by-block conversion against the whole-text routines,
// which are its oracle: the first input byte chooses the routine, the second
// the block size, the rest is the text; any difference aborts. Where the
// processor has AVX-512, the whole text is converted on the SSE2 chunks too.
#include "publish/Jconvert.h"
#include "publish/JconvertSjisWide.h"
#include "publish/JconvertStream.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

struct Routine {
    JconvertStream (*stream)(int parameter);
    std::string (*whole)(std::string_view text, int parameter);
};

// The parameter is a code or a line-break kind, valid or not.
constexpr Routine Routines[] = {
    {[](int p) { return JconvertStream::Code(p & 7, CODE_JIS83 + p / 8 % 3); },
     [](std::string_view t, int p) { return StrictConvertJCode(t, p & 7, CODE_JIS83 + p / 8 % 3); }},
    {[](int p) { return JconvertStream::DetectedCode(p % 8); },
     [](std::string_view t, int p) { return ConvertJCode(t, p % 8); }},
    {[](int p) { return JconvertStream::LineBreaks(p & 3, p / 4 % 5); },
     [](std::string_view t, int p) { return StrictConvertReturnCode(t, p & 3, p / 4 % 5); }},
    {[](int p) { return JconvertStream::DetectedLineBreaks(p % 5); },
     [](std::string_view t, int p) { return ConvertReturnCode(t, p % 5); }},
    {[](int) { return JconvertStream::Base64(); }, [](std::string_view t, int) { return EncodeBase64(t); }},
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 2)
        return 0;
    const Routine& routine = Routines[data[0] % std::size(Routines)];
    const int parameter = data[0] / std::size(Routines);
    const std::size_t blockSize = data[1] == 0 ? JconvertStream::BlockSize : data[1];
    const std::string_view text(reinterpret_cast<const char*>(data + 2), size - 2);

    std::string streamed;
    const JconvertStream::Sink sink = [&streamed](std::string_view out) { streamed += out; };
    JconvertStream stream = routine.stream(parameter);
    for (std::size_t at = 0; at < text.size(); at += blockSize)
        stream.Feed(text.substr(at, blockSize), sink);
    stream.Finish(sink);
    const std::string whole = routine.whole(text, parameter);
    if (streamed != whole)
        std::abort();
    if (jconvert::SjisWideEnabled()) {
        jconvert::SetSjisWide(false);
        const std::string narrow = routine.whole(text, parameter);
        jconvert::SetSjisWide(true);
        if (narrow != whole)
            std::abort();
    }
    return 0;
}
