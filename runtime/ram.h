#pragma once
// The emulated device memory and its file "ram.dat": a raw 65536-byte
// image, loaded once at start-up and written back on every way of ending.

#include <array>
#include <cstdint>
#include <string>

using tramimage = std::array<std::uint8_t, 65536>;
extern tramimage ramimage;

// Zero-fills the image, then loads the file when it exists: a shorter file
// fills what it holds, a longer one its first 65536 bytes. A file that
// cannot be read, or is not 65536 bytes long, raises an error naming it,
// and from then on saveram leaves it alone, so the user's data is never
// replaced by zeros or cut. Before the first load nothing is saved either.
void loadram(const std::string& path = "ram.dat");
// Writes the whole image to a temporary file and puts it in place, so a
// crash never leaves a truncated file.
void saveram(const std::string& path = "ram.dat");

// True after a failed load: the file on disk is the user's, not ours to write.
bool ramfileprotected();
