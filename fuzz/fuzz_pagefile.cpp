// Any bytes as a page file: the reader must not crash, and whatever it made
// of them must write out and read back to the same bytes.
#include "document/Page.h"
#include "document/PageFile.h"

#include <QBuffer>
#include <cstdlib>

namespace {

QByteArray WriteOut(const Page& page)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!WritePageFileToDevice(page, buffer))
        std::abort();
    return bytes;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    QByteArray input(reinterpret_cast<const char*>(data), qsizetype(size));
    QBuffer device(&input);
    device.open(QIODevice::ReadOnly);
    PageFileContext context;
    Page page;
    PageFileResult result = ReadPageFileFrom(device, page, context, "fuzz.data");
    if (!result.opened())
        return 0;

    const QByteArray first = WriteOut(page);
    QBuffer again(const_cast<QByteArray*>(&first));
    again.open(QIODevice::ReadOnly);
    Page reread;
    if (!ReadPageFileFrom(again, reread, context, "fuzz.data").ok() || WriteOut(reread) != first)
        std::abort();
    return 0;
}
