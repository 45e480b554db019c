#pragma once
// The dots a display's Braille keys typed, as the chord pattern that the
// Braille table decodes (shell/brailletable.h): "12" for dots 1 and 2, " "
// for the space bar alone. Dots 7 and 8 have no place in a six-dot chord.

#include <string>

std::string dotspattern(int dots);
