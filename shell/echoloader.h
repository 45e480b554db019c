#pragma once
// Fills the key echo's table of character names (speech/echotable.h) from
// the language's ".eky" file: lines of a decimal code, "=", and the name.

#include <string>

// A line whose code is not a whole number raises a conversion error; the
// lines before it stay loaded. Lines beyond the table's 256 slots are
// ignored, and the returned message says so; it is empty when all fitted.
std::string loadechotable(const std::string& path);
