#pragma once
// PRINT: each item is placed on the screen and then spoken. Separators:
// 0 end of statement (line break), 1 semicolon (same row), 2 comma (next
// print zone).

#include <string>

void printtext(const std::string& text, int separator);
// A message of the system's own (an error) on a line of its own after what
// the program printed, not spoken: it is told where notices are
// (runtime/notices.h), and the screen keeps it for review.
void printmessage(const std::string& text);
void printnumber(int separator, double value);

// Whole numbers of up to 15 digits as plain digits; anything else in the
// shortest general form with at most 15 significant digits, using the given
// decimal separator, and "E" notation at extreme magnitudes.
std::string numtostr(double value, char decimalpoint);
std::string numtostr(double value);

// The decimal separator of the user's locale (',' under Czech settings).
char systemdecimalpoint();
