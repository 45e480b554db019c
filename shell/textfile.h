#pragma once
// Reads the system's small data files (the Braille table, the character
// names) as lines of bytes. Both Windows and Unix line ends are accepted.

#include <string>
#include <vector>

inline constexpr std::size_t largesttextfile = 1024 * 1024;

// A missing file raises "File not found", any other failure an I/O error,
// and so does a file larger than largesttextfile.
std::vector<std::string> readtextlines(const std::string& path);
