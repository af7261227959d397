// Stand-in until the code conversion unit lands: the text passes unchanged.
#include "publish/Jconvert.h"

std::string ConvertJCode(std::string_view text, int /*targetCode*/)
{
    return std::string(text);
}
