// The Windows-1250 conversion both ways. Every byte string survives the
// trip through UTF-8 and through Qt; any UTF-8 input, well-formed or not,
// converts to bytes that convert back to themselves, and every character
// those bytes stand for (other than the '?' of replacement) is spelled in
// the input as it is in well-formed UTF-8: a malformed sequence never
// passes for a character.

#include "runtime/codepage.h"

#include <bitset>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::string_view input(reinterpret_cast<const char*>(data), size);
    if (cp1250::fromutf8(cp1250::toutf8(input)) != input)
        std::abort();
    if (cp1250::fromqstring(cp1250::toqstring(input)) != input)
        std::abort();
    std::string bytes = cp1250::fromutf8(input);
    if (bytes.size() > size || cp1250::fromutf8(cp1250::toutf8(bytes)) != bytes)
        std::abort();
    std::bitset<256> seen;
    for (char byte : bytes) {
        auto code = static_cast<unsigned char>(byte);
        if (byte == '?' || seen[code])
            continue;
        seen[code] = true;
        if (input.find(cp1250::toutf8(std::string(1, byte))) == std::string_view::npos)
            std::abort();
    }
    return 0;
}
