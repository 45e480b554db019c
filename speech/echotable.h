#pragma once
// The spoken names of characters for the key echo: 256 slots of a
// Windows-1250 code and the text said for it, filled from the language's
// character-name file at start-up. Slots not filled have code 0 and no text.

#include <array>
#include <cstdint>
#include <optional>
#include <string>

struct echokeytype {
    std::uint8_t code = 0;
    std::string text; // Windows-1250
};

using techotable = std::array<echokeytype, 256>;
extern techotable echotable;

// The text of the first slot, from slot 0 upward, whose code is the
// character's; nothing when no slot holds it.
std::optional<std::string> echotext(char character);
