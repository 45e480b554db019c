#pragma once
// The Braille table read from "czech.ebt": prefixes (chords that change the
// meaning of the next chord, like the capital sign) and the characters each
// chord gives under each prefix, the decoding of one chord, and the dot
// pattern of the keys held. Collecting chords from key events is the key
// handlers' business. All texts are Windows-1250 bytes.

#include <array>
#include <cstdint>
#include <optional>
#include <string>

struct brlpreftype {
    std::string name; // begins with "#"
    std::string dots;
};

struct brlchartype {
    std::string prefix; // empty: applies when no prefix is in force
    std::string character;
    std::string dots;
};

inline constexpr int brailleprefixslots = 10;
// The counts are bytes on the device, and 255 is kept free so the count of
// a full table still reads back as a count.
inline constexpr int braillecharacterslots = 254;

// Slot 0 is unused: the tables count from 1.
extern std::array<brlpreftype, brailleprefixslots + 1> brlprefixes;
extern std::uint8_t prefixcount;
extern std::array<brlchartype, braillecharacterslots + 1> brlchars;
extern std::uint8_t charcount;

extern std::string currentprefix;
extern std::string currentchord;

// Reads the table file. A missing or unreadable file raises "File not found"
// or an I/O error. Lines beyond the table's room are ignored, and the
// returned message says so; it is empty when everything fitted.
std::string loadbrailletable(const std::string& path);

// The character the chord gives under the prefix in force, or empty; a
// prefix chord or a space changes currentprefix.
std::string decodechord(const std::string& pattern);

// The dot keys F D S J K L and the space bar.
struct TBrailleKeys {
    bool dot[6] = {};
    bool space = false;

    bool anydot() const;
};

// "12" for F and D, " " for the space bar alone, empty for nothing held.
std::string chordpattern(const TBrailleKeys& keys);

// Empties the tables and the prefix in force.
void resetbrailletable();
