#pragma once

// Jconvert: detection and conversion of the three Japanese encodings of the
// web and of mail (ISO-2022-JP, Shift_JIS, EUC-JP), line-break conventions,
// Base64 and MIME encoded-word headers.
//
// Every routine is a pure function on byte strings: it returns a new string
// and never fails. Malformed input gives deterministic output: the pair
// arithmetic wraps on 8 bits, unrecognised bytes are copied, and a read one
// byte past the end of the text yields 0 (so a double-byte step that starts
// on the last byte takes 0 as its second byte). Nothing reads further.

#include <string>
#include <string_view>

// Character codes, as InCodeCheck returns them and as input/target codes.
inline constexpr int CODE_ASCII = 0;       // no 8-bit byte and no JIS escape
inline constexpr int CODE_BINARY = 1;      // a byte below 0x08, or 0xFF
inline constexpr int CODE_JIS83 = 2;       // ESC $ B: ISO-2022-JP, JIS X 0208-1983
inline constexpr int CODE_JIS78 = 3;       // ESC $ @: JIS C 6226-1978
inline constexpr int CODE_EUC = 4;         // EUC-JP
inline constexpr int CODE_SJIS = 5;        // Shift_JIS
inline constexpr int CODE_EUC_OR_SJIS = 6; // valid as both; not decided

// Line-break kinds.
inline constexpr int RC_NONE = 0; // no line break found
inline constexpr int RC_CRLF = 1; // 0x0D 0x0A
inline constexpr int RC_CR = 2;   // 0x0D
inline constexpr int RC_LF = 3;   // 0x0A

// How many leading bytes InCodeCheck examines for binary content (never the
// last byte). Callers may change it.
extern int STRICT_CHECK_LEN;

// Detection and dispatch.
int InCodeCheck(std::string_view text);
// Converts from the code InCodeCheck finds. ASCII, binary and undecided
// (CODE_EUC_OR_SJIS) text, and text already in the target, come back unchanged.
std::string ConvertJCode(std::string_view text, int targetCode);
// As ConvertJCode, with the input code given by the caller. An input code
// above 6 with the target JIS83, EUC or SJIS gives an empty string.
std::string StrictConvertJCode(std::string_view text, int inputCode, int targetCode);

// From ISO-2022-JP: ESC $ x enters two-byte mode, ESC ( x returns to one-byte mode.
std::string jis2euc(std::string_view text);
std::string jis2sjis(std::string_view text);
// Between EUC-JP and Shift_JIS.
std::string euc2sjis(std::string_view text);
std::string sjis2euc(std::string_view text);
// To ISO-2022-JP: ESC $ B before double-byte characters, ESC ( B before
// one-byte text, line breaks and the end; half-width katakana become their
// full-width counterparts, voiced and semi-voiced marks merged.
std::string euc2jis83(std::string_view text);
std::string sjis2jis83(std::string_view text);

// One JIS X 0208 character (two bytes in 0x21-0x7E) as Shift_JIS, and back.
std::string ToSjis(unsigned char j1, unsigned char j2);
std::string ToJis(unsigned char s1, unsigned char s2);

// Line breaks. ReturnCodeCheck gives the kind of the first break. The
// converters replace every break of the input kind (found, or given) by the
// target kind's sequence, or remove it for a target outside 1-3; breaks of
// other kinds stay, and a CR LF is always one break, never a CR or an LF.
int ReturnCodeCheck(std::string_view text);
std::string ConvertReturnCode(std::string_view text, int targetKind);
std::string StrictConvertReturnCode(std::string_view text, int inputKind, int targetKind);

// Base64 with "=" padding and no line breaks.
std::string EncodeBase64(std::string_view bytes);
// Shift_JIS header text with each run of double-byte characters written as
// one "=?ISO-2022-JP?B?...?=" encoded word; other bytes are copied.
std::string CreateHeaderString(std::string_view sjisText);
