#include "document/FieldReader.h"

#include <QIODevice>
#include <algorithm>
#include <charconv>
#include <cstring>

bool FieldReader::fill()
{
    if (eof_)
        return false;
    // Drop what was consumed before growing the buffer.
    if (pos_ > 0) {
        buffer_.erase(0, pos_);
        pos_ = 0;
    }
    // Ask for a whole block, but do not grow the buffer past what a file holds.
    qint64 want = BlockSize;
    if (!device_.isSequential())
        want = std::min(want, std::max<qint64>(device_.size() - device_.pos(), 0));
    if (want == 0) {
        eof_ = true;
        return false;
    }
    size_t old = buffer_.size();
    buffer_.resize(old + size_t(want));
    qint64 got = device_.read(buffer_.data() + old, want);
    if (got <= 0) {
        buffer_.resize(old);
        eof_ = true;
        return false;
    }
    buffer_.resize(old + size_t(got));
    return true;
}

SjisString FieldReader::readRaw(size_t count)
{
    while (buffer_.size() - pos_ < count && fill()) {
    }
    size_t n = std::min(count, buffer_.size() - pos_);
    SjisString out = buffer_.substr(pos_, n);
    pos_ += n;
    return out;
}

bool FieldReader::next(SjisString& out)
{
    size_t searched = 0; // bytes after pos_ already known to hold no terminator
    for (;;) {
        const char* start = buffer_.data() + pos_;
        size_t available = buffer_.size() - pos_;
        if (const void* hit = std::memchr(start + searched, 0xFF, available - searched)) {
            size_t length = size_t(static_cast<const char*>(hit) - start);
            out.assign(start, length);
            pos_ += length + 1;
            return true;
        }
        searched = available;
        if (!fill()) {
            truncated_ = true;
            if (available == 0)
                return false;
            out.assign(buffer_.data() + pos_, buffer_.size() - pos_);
            pos_ = buffer_.size();
            return true;
        }
    }
}

bool ParsePageInteger(SjisView text, std::int32_t& value)
{
    if (!text.empty() && text.front() == '+')
        text.remove_prefix(1);
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    return ec == std::errc() && end == text.data() + text.size() && !text.empty();
}
