#pragma once
// A wave as the bank stores it: the RIFF "fmt " block and the sample bytes.
// This module walks RIFF chunks, writes a RIFF file back, and decodes PCM or
// float samples to mono floats for the mixer; it knows nothing of playing.

#include "runtime/errors.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// What is wrong with a bank or a wave in it, for the user's message; the
// message of the error itself is the detail, for standard error.
enum class TBankFault { notabank, endstooearly, wrongvalue };

class TBankError : public TVorkanaError {
public:
    TBankError(TBankFault fault, const std::string& detail)
        : TVorkanaError(detail)
        , fault(fault)
    {
    }
    TBankFault fault;
};

struct TWave {
    std::vector<std::uint8_t> format; // the "fmt " chunk's contents
    std::vector<std::uint8_t> data; // the "data" chunk's contents
};

// Mono samples in -1..1 at the wave's own rate.
struct TDecodedWave {
    std::vector<float> samples;
    int rate = 0;
};

// The sample rates a wave may have: the range an audio buffer's frequency
// takes. Outside it a wave is not something to play but a broken file, and a
// rate near 0 would make its resampled copy enormous.
inline constexpr int lowestwaverate = 100;
inline constexpr int highestwaverate = 200000;

// Reads a RIFF wave file; raises TBankError "Wave is invalid" (also for a
// format block whose sample rate lies outside the range above) or "Stream
// read error".
TWave readriffwave(const std::vector<std::uint8_t>& riff);
std::vector<std::uint8_t> writeriffwave(const TWave& wave);

// A format block for mono 16-bit PCM at the rate.
std::vector<std::uint8_t> pcm16monoformat(int rate);

// Nothing when the format is not PCM (8, 16, 24 or 32 bits) or 32-bit float
// with 1 or 2 channels at a rate in the range above; stereo is mixed down.
// Samples that are not finite numbers decode as silence.
std::optional<TDecodedWave> decodewave(const TWave& wave);
