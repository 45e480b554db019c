#include "speech/TTSVar.h"

#include <string_view>

TTTSVar ttsvar;

void resetttsvar()
{
    ttsvar = TTTSVar {};
}

void fillworddelimiters()
{
    ttsvar.worddelimiters = { '\r', ' ', ',' };
}

std::string wordat(const std::string& text, std::size_t position)
{
    std::string word;
    for (std::size_t k = position; k < text.size() && !ttsvar.worddelimiters.count(text[k]); ++k)
        word += text[k];
    return word;
}

namespace {

// Small letter, then its capital, for each Czech and Slovak letter, in
// Windows-1250, followed by the section sign (which has no capital): á Á, ä
// Ä, č Č, ď Ď, é É, ě Ě, í Í, ĺ Ĺ, ľ Ľ, ň Ň, ó Ó, ô Ô, ö Ö, ŕ Ŕ, ř Ř, š Š,
// ť Ť, ú Ú, ů Ů, ü Ü, ý Ý, ž Ž, §.
constexpr std::string_view capitalpairs =
    "\xE1\xC1\xE4\xC4\xE8\xC8\xEF\xCF\xE9\xC9\xEC\xCC\xED\xCD\xE5\xC5"
    "\xBE\xBC\xF2\xD2\xF3\xD3\xF4\xD4\xF6\xD6\xE0\xC0\xF8\xD8\x9A\x8A"
    "\x9D\x8D\xFA\xDA\xF9\xD9\xFC\xDC\xFD\xDD\x9E\x8E\xA7";

}

bool iscapital(char character)
{
    auto code = static_cast<unsigned char>(character);
    if (code < 128)
        return code >= 'A' && code <= 'Z';
    size_t position = capitalpairs.find(character);
    // Positions count from 0 here, so a capital (second of its pair) is odd.
    return position != std::string_view::npos && position % 2 == 1;
}
