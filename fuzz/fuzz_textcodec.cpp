// Any bytes as a model text: decoding to Unicode and encoding back must give
// the same bytes, by either encoder.
#include "document/TextCodec.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const SjisString bytes(reinterpret_cast<const char*>(data), size);
    const QString text = TextCodec::ToUnicode(bytes);
    if (TextCodec::FromUnicodeStrict(text) != bytes || TextCodec::FromUnicodeWithReferences(text) != bytes)
        std::abort();
    return 0;
}
