#pragma once

#include "document/SjisString.h"

class QIODevice;

// Text helpers of the socket layer, on the byte strings that travel over the
// wire.
namespace SocketText {

// The n-th field (1-based) of the text split at every delimiter; adjacent
// delimiters make empty fields; a missing field is empty.
SjisString NthWord(SjisView text, char delimiter, int n);

// 1-based position of the n-th delimiter; length + 1 when there are fewer,
// or when that delimiter is the last character. An empty text is a range
// error (std::out_of_range).
int NthPos(SjisView text, char delimiter, int n);

// Writes the text and CR LF.
void StreamLn(QIODevice& stream, SjisView text);

} // namespace SocketText
