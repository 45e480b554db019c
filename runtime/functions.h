#pragma once
// The BASIC functions a program calls besides PRINT and the sound
// statements: INKEY$, RND, TIME$, the string functions, VAL and PEEK. Strings
// are Windows-1250 bytes, one byte a character; positions count from 1.
// Numeric arguments used as counts, positions, codes or addresses are
// truncated toward zero. Checking that an argument makes sense is the
// caller's part; these only keep every index inside the string.

#include <optional>
#include <string>

// Handles waiting events once (so typed keys arrive), then takes the key.
std::string inkey();
double rnd(double x);
// "HH MM SS " (nine characters).
std::string timestr();
std::string leftstr(const std::string& text, double count);
// The characters from start (1 the first) on, count of them or all that
// are left; empty past the end.
std::string midstr(const std::string& text, double start, double count);
std::string midstr(const std::string& text, double start);
std::string rightstr(const std::string& text, double count);
// The character of a code 0..255.
std::string chrstr(double code);
// The code of the first character; the text is not empty.
double asc(const std::string& text);
// Where sought begins in text at or after start, or 0 when it does not.
double instr(double start, const std::string& text, const std::string& sought);
// Letters of the code page (accented ones too) in upper or lower case.
std::string ucasestr(const std::string& text);
std::string lcasestr(const std::string& text);

// "%" marks hexadecimal ("%ff" is 255; a bad hexadecimal text raises a
// conversion error); otherwise a decimal number with "." or "," as its
// decimal point whatever the locale (so a number shown under Czech settings
// reads back), and 0 for anything that is not entirely a number.
double val(const std::string& text);
// A typed answer or a DATA item as a number: a decimal number as VAL reads
// it, blanks around it allowed; nothing when the text is not one.
std::optional<double> numberin(const std::string& text);
double peek(double address);
