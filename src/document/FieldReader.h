#pragma once

#include "document/SjisString.h"

#include <cstdint>

class QIODevice;

// A page file integer: optional sign and decimal digits, within 32 bits.
// Anything else is not an integer (the reader then takes 0).
bool ParsePageInteger(SjisView text, std::int32_t& value);

// Reads the 0xFF-terminated fields of a page file. It reads ahead in blocks
// of 1,048,575 bytes; a field may span any number of blocks.
class FieldReader {
public:
    static constexpr long long BlockSize = 1048575;
    static constexpr char Terminator = '\xFF';

    explicit FieldReader(QIODevice& device) : device_(device) {}

    // Up to `count` raw bytes (the format tag has no terminator).
    SjisString readRaw(size_t count);

    // The next field, without its terminator. When the file ends inside the
    // field, `out` gets the bytes that were there and truncated() turns true;
    // once the file is used up, returns false and leaves `out` as it was.
    bool next(SjisString& out);
    bool truncated() const { return truncated_; }

private:
    // Appends one block; false at the end of the file.
    bool fill();

    QIODevice& device_;
    SjisString buffer_;
    size_t pos_ = 0;
    bool eof_ = false;
    bool truncated_ = false;
};
