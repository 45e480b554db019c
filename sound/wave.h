#pragma once
// A wave as the bank stores it: the RIFF "fmt " block and the sample bytes.
// This module walks RIFF chunks, writes a RIFF file back, and decodes PCM or
// float samples to mono floats for the mixer; it knows nothing of playing.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

struct TWave {
    std::vector<std::uint8_t> format; // the "fmt " chunk's contents
    std::vector<std::uint8_t> data; // the "data" chunk's contents
};

// Mono samples in -1..1 at the wave's own rate.
struct TDecodedWave {
    std::vector<float> samples;
    int rate = 0;
};

// Reads a RIFF wave file; raises "Wave is invalid" or "Stream read error".
TWave readriffwave(const std::vector<std::uint8_t>& riff);
std::vector<std::uint8_t> writeriffwave(const TWave& wave);

// A format block for mono 16-bit PCM at the rate.
std::vector<std::uint8_t> pcm16monoformat(int rate);

// Nothing when the format is not PCM (8, 16, 24 or 32 bits) or 32-bit float
// with 1 or 2 channels; stereo is mixed down.
std::optional<TDecodedWave> decodewave(const TWave& wave);
