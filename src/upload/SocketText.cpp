#include "upload/SocketText.h"

#include <QIODevice>
#include <stdexcept>

namespace SocketText {

SjisString NthWord(SjisView text, char delimiter, int n)
{
    if (n < 1)
        return {};
    size_t start = 0;
    for (int field = 1; field < n; ++field) {
        size_t hit = text.find(delimiter, start);
        if (hit == SjisView::npos)
            return {};
        start = hit + 1;
    }
    size_t end = text.find(delimiter, start);
    return SjisString(text.substr(start, end == SjisView::npos ? SjisView::npos : end - start));
}

int NthPos(SjisView text, char delimiter, int n)
{
    if (text.empty())
        throw std::out_of_range("NthPos of an empty text");
    const int past = int(text.size()) + 1;
    int seen = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == delimiter && ++seen == n)
            return i + 1 == text.size() ? past : int(i) + 1;
    }
    return past;
}

void StreamLn(QIODevice& stream, SjisView text)
{
    stream.write(text.data(), qint64(text.size()));
    stream.write("\r\n", 2);
}

} // namespace SocketText
