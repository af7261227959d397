#pragma once

// Helpers shared by the Jconvert sources; not part of the unit's interface.

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

namespace jconvert {

inline constexpr unsigned char ESC = 0x1B;
inline constexpr unsigned char CR = 0x0D;
inline constexpr unsigned char LF = 0x0A;

// The byte at `i`, or 0 one past the end: a double-byte step that starts on
// the last byte takes 0 as its second byte. Never reads the buffer at size().
inline unsigned char ByteAt(std::string_view text, std::size_t i)
{
    return i < text.size() ? static_cast<unsigned char>(text[i]) : 0;
}

// Output written through a raw pointer into a buffer sized once for the
// worst case, so the inner loops neither allocate nor test capacity.
class ByteWriter {
public:
    explicit ByteWriter(std::size_t capacity)
        : buffer_(std::make_unique_for_overwrite<char[]>(capacity)), end_(buffer_.get())
    {
    }
    void put(unsigned char c) { *end_++ = static_cast<char>(c); }
    void put(unsigned char a, unsigned char b)
    {
        end_[0] = static_cast<char>(a);
        end_[1] = static_cast<char>(b);
        end_ += 2;
    }
    void put(unsigned char a, unsigned char b, unsigned char c)
    {
        end_[0] = static_cast<char>(a);
        end_[1] = static_cast<char>(b);
        end_[2] = static_cast<char>(c);
        end_ += 3;
    }
    void append(std::string_view bytes)
    {
        bytes.copy(end_, bytes.size());
        end_ += bytes.size();
    }
    std::string str() const { return std::string(buffer_.get(), end_); }

private:
    std::unique_ptr<char[]> buffer_;
    char* end_;
};

// The pair arithmetic of ToSjis and ToJis on 8-bit values, wrapping.
struct BytePair {
    unsigned char first;
    unsigned char second;
};

// JIS X 0208 (j1, j2) to Shift_JIS (s1, s2). Two JIS rows share one
// Shift_JIS lead byte:
//   s1 = ((j1 + 1) >> 1) + 0x70   for j1 < 0x5F   (rows 1-62  -> 0x81-0x9F)
//   s1 = ((j1 + 1) >> 1) + 0xB0   otherwise       (rows 63-94 -> 0xE0-0xEF)
// the odd row takes trail bytes 0x40-0x9E (skipping 0x7F), the even row 0x9F-0xFC:
//   s2 = j2 + 0x7E                for even j1
//   s2 = j2 + 0x20                for odd j1 and j2 > 0x5F
//   s2 = j2 + 0x1F                for odd j1 and j2 <= 0x5F
constexpr BytePair JisToSjisPair(unsigned char j1, unsigned char j2)
{
    const unsigned char half = static_cast<unsigned char>(static_cast<unsigned char>(j1 + 1) >> 1);
    const unsigned char s1 = static_cast<unsigned char>(half + (j1 < 0x5F ? 0x70 : 0xB0));
    unsigned char s2;
    if (j1 % 2 == 0)
        s2 = static_cast<unsigned char>(j2 + 0x7E);
    else
        s2 = static_cast<unsigned char>(j2 + (j2 > 0x5F ? 0x20 : 0x1F));
    return {s1, s2};
}

// Shift_JIS (s1, s2) to JIS X 0208 (j1, j2), the inverse of the above:
//   j1 = (s1 - 0x70) * 2          for s1 < 0xA0
//   j1 = (s1 - 0xB0) * 2          otherwise
//   s2 < 0x9F (odd row):  j1 -= 1;  j2 = s2 - 0x20 when s2 > 0x7F, else s2 - 0x1F
//   s2 >= 0x9F (even row):          j2 = s2 - 0x7E
constexpr BytePair SjisToJisPair(unsigned char s1, unsigned char s2)
{
    unsigned char j1 = static_cast<unsigned char>((s1 - (s1 < 0xA0 ? 0x70 : 0xB0)) * 2);
    unsigned char j2;
    if (s2 < 0x9F) {
        j1 = static_cast<unsigned char>(j1 - 1);
        j2 = static_cast<unsigned char>(s2 - (s2 > 0x7F ? 0x20 : 0x1F));
    } else {
        j2 = static_cast<unsigned char>(s2 - 0x7E);
    }
    return {j1, j2};
}

} // namespace jconvert
