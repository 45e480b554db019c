#pragma once
// The BASIC functions a program calls besides PRINT and the sound
// statements: INKEY$, RND, TIME$, LEFT$, VAL and PEEK. Numeric arguments used
// as counts or addresses are truncated toward zero.

#include <string>

// Handles waiting events once (so typed keys arrive), then takes the key.
std::string inkey();
double rnd(double x);
// "HH MM SS " (nine characters).
std::string timestr();
std::string leftstr(const std::string& text, double count);
// "%" marks hexadecimal ("%ff" is 255; a bad hexadecimal text raises a
// conversion error); otherwise a decimal number with "." whatever the
// locale, and 0 for anything that is not entirely a number.
double val(const std::string& text);
double peek(double address);
