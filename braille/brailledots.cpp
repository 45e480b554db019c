#include "braille/brailledots.h"

std::string dotspattern(int dots)
{
    constexpr int sixdots = 0x3F;
    if (dots == 0)
        return " ";
    std::string pattern;
    for (int dot = 0; dot < 6; ++dot)
        if (dots & sixdots & (1 << dot))
            pattern += static_cast<char>('1' + dot);
    return pattern;
}
