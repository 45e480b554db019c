#include "runtime/codepage.h"

#include <array>

namespace cp1250 {

namespace {

// Upper half of Windows-1250, bytes 0x80..0xFF. The undefined bytes map to
// their own C1 code points.
constexpr std::array<char16_t, 128> upperhalf = {
    0x20AC, 0x0081, 0x201A, 0x0083, 0x201E, 0x2026, 0x2020, 0x2021,
    0x0088, 0x2030, 0x0160, 0x2039, 0x015A, 0x0164, 0x017D, 0x0179,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x0098, 0x2122, 0x0161, 0x203A, 0x015B, 0x0165, 0x017E, 0x017A,
    0x00A0, 0x02C7, 0x02D8, 0x0141, 0x00A4, 0x0104, 0x00A6, 0x00A7,
    0x00A8, 0x00A9, 0x015E, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x017B,
    0x00B0, 0x00B1, 0x02DB, 0x0142, 0x00B4, 0x00B5, 0x00B6, 0x00B7,
    0x00B8, 0x0105, 0x015F, 0x00BB, 0x013D, 0x02DD, 0x013E, 0x017C,
    0x0154, 0x00C1, 0x00C2, 0x0102, 0x00C4, 0x0139, 0x0106, 0x00C7,
    0x010C, 0x00C9, 0x0118, 0x00CB, 0x011A, 0x00CD, 0x00CE, 0x010E,
    0x0110, 0x0143, 0x0147, 0x00D3, 0x00D4, 0x0150, 0x00D6, 0x00D7,
    0x0158, 0x016E, 0x00DA, 0x0170, 0x00DC, 0x00DD, 0x0162, 0x00DF,
    0x0155, 0x00E1, 0x00E2, 0x0103, 0x00E4, 0x013A, 0x0107, 0x00E7,
    0x010D, 0x00E9, 0x0119, 0x00EB, 0x011B, 0x00ED, 0x00EE, 0x010F,
    0x0111, 0x0144, 0x0148, 0x00F3, 0x00F4, 0x0151, 0x00F6, 0x00F7,
    0x0159, 0x016F, 0x00FA, 0x0171, 0x00FC, 0x00FD, 0x0163, 0x02D9,
};

void appendutf8(std::string& out, char32_t c)
{
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

// Decodes one UTF-8 sequence at text[index]. What is not well-formed UTF-8
// (a stray continuation byte, a cut sequence, an over-long form such as
// C1 81 for "A", a surrogate, a code past U+10FFFF, the leads F5..FF)
// decodes as U+FFFD, consuming the bytes up to the first one that does not
// fit, so a bad sequence can never pass for a character it spells out.
char32_t decodeutf8(std::string_view text, size_t& index)
{
    auto lead = static_cast<unsigned char>(text[index++]);
    if (lead < 0x80)
        return lead;
    int extra = lead >= 0xF0 ? 3 : lead >= 0xE0 ? 2 : lead >= 0xC0 ? 1 : -1;
    if (extra < 0 || lead > 0xF4)
        return 0xFFFD;
    char32_t c = lead & (0x3F >> extra);
    for (int k = 0; k < extra; ++k) {
        if (index >= text.size() || (static_cast<unsigned char>(text[index]) & 0xC0) != 0x80)
            return 0xFFFD;
        c = (c << 6) | (static_cast<unsigned char>(text[index++]) & 0x3F);
    }
    constexpr char32_t shortest[] = { 0, 0x80, 0x800, 0x10000 };
    if (c < shortest[extra] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF))
        return 0xFFFD;
    return c;
}

}

char32_t tounicode(unsigned char byte)
{
    return byte < 0x80 ? byte : upperhalf[byte - 0x80];
}

bool frombytecode(char32_t character, unsigned char& byte)
{
    if (character < 0x80) {
        byte = static_cast<unsigned char>(character);
        return true;
    }
    for (size_t k = 0; k < upperhalf.size(); ++k) {
        if (upperhalf[k] == character) {
            byte = static_cast<unsigned char>(0x80 + k);
            return true;
        }
    }
    return false;
}

std::string toutf8(std::string_view bytes)
{
    std::string out;
    out.reserve(bytes.size() * 2);
    for (char b : bytes)
        appendutf8(out, tounicode(static_cast<unsigned char>(b)));
    return out;
}

std::string fromutf8(std::string_view utf8)
{
    std::string out;
    out.reserve(utf8.size());
    size_t index = 0;
    while (index < utf8.size()) {
        unsigned char byte;
        out += frombytecode(decodeutf8(utf8, index), byte) ? static_cast<char>(byte) : '?';
    }
    return out;
}

QString toqstring(std::string_view bytes)
{
    QString out;
    out.reserve(static_cast<qsizetype>(bytes.size()));
    for (char b : bytes)
        out += QChar(static_cast<char16_t>(tounicode(static_cast<unsigned char>(b))));
    return out;
}

std::string fromqstring(const QString& text)
{
    std::string out;
    out.reserve(static_cast<size_t>(text.size()));
    for (QChar c : text) {
        unsigned char byte;
        out += frombytecode(c.unicode(), byte) ? static_cast<char>(byte) : '?';
    }
    return out;
}

}
