#pragma once
// The emulated device is a single-byte Windows-1250 machine: the screen, the
// key buffer, the Braille and character-name tables are byte strings of that
// code page. This module converts at the edges (Qt, speech engines, files of
// UTF-8 source text). The five bytes the code page leaves undefined map to
// the C1 controls U+0081, U+0083, U+0088, U+0090, U+0098 and back, so cursor
// codes survive a round trip.

#include <QString>
#include <string>
#include <string_view>

namespace cp1250 {

char32_t tounicode(unsigned char byte);
// Returns false when the code page has no byte for the character.
bool frombytecode(char32_t character, unsigned char& byte);

std::string toutf8(std::string_view bytes);
// Characters the code page lacks, and bytes that are not well-formed UTF-8,
// become '?'.
std::string fromutf8(std::string_view utf8);

QString toqstring(std::string_view bytes);
std::string fromqstring(const QString& text);

}
