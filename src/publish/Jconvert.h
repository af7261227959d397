#pragma once

#include <string>
#include <string_view>

// Target codes of ConvertJCode.
inline constexpr int CODE_JIS83 = 2, CODE_EUC = 4, CODE_SJIS = 5;

// Converts Japanese text to the target code; the source code is detected.
std::string ConvertJCode(std::string_view text, int targetCode);
