#pragma once
// The bank file "sounds.dat": a component stream (resource header, "TPF0",
// one wave list object whose "List" property is the collection of named
// waves). This module turns its bytes into stored waves and back; loading
// them into playable items is the wave collection's business.

#include "sound/wave.h"

#include <cstdint>
#include <string>
#include <vector>

// One item as the file holds it. Names are UTF-8.
struct TStoredWave {
    std::string Name;
    bool Looped = false;
    int MaxPlayingCount = 0;
    TWave Wave;
};

// Raises TBankError with "Invalid stream format", "Property <name> does
// not exist", "Invalid property value", "Stream read error" or "Wave is
// invalid". Items come in file order.
std::vector<TStoredWave> readbank(const std::vector<std::uint8_t>& bytes);
std::vector<std::uint8_t> writebank(const std::vector<TStoredWave>& waves);
