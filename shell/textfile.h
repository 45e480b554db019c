#pragma once
// Reads the system's small data files (the Braille table, the character
// names) as lines of bytes. Both Windows and Unix line ends are accepted.

#include <string>
#include <vector>

// A missing file raises "File not found", any other failure an I/O error.
std::vector<std::string> readtextlines(const std::string& path);
