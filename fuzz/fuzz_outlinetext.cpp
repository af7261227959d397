// Any bytes as an outline text: parsing must not crash, and an outline that
// parsed must come back unchanged through its own text.
#include "document/OutlineText.h"
#include "document/Page.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    SjisView text(reinterpret_cast<const char*>(data), size);
    OutlineParseResult parsed = ParseOutlineText(text);
    const int count = parsed.nodeCount;
    Page page;
    page.ReplaceOutline(std::move(parsed.topLevel));
    if (page.NodeCount() != count)
        std::abort();
    const SjisString written = MakeOutlineText(page);
    OutlineParseResult again = ParseOutlineText(written);
    Page reread;
    reread.ReplaceOutline(std::move(again.topLevel));
    if (again.errorLine != 0 || MakeOutlineText(reread) != written)
        std::abort();
    return 0;
}
