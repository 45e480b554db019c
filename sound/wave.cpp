#include "sound/wave.h"

#include "runtime/errors.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

std::uint32_t readu32(const std::vector<std::uint8_t>& bytes, std::size_t at)
{
    // Header bytes missing at the end count as zero, so a short tail ends
    // the chunk walk instead of failing it.
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < 4; ++i)
        if (at + i < bytes.size())
            value |= std::uint32_t(bytes[at + i]) << (8 * i);
    return value;
}

int readle(const std::uint8_t* bytes, int count)
{
    std::uint32_t value = 0;
    for (int i = 0; i < count; ++i)
        value |= std::uint32_t(bytes[i]) << (8 * i);
    return static_cast<int>(value);
}

void putu32(std::vector<std::uint8_t>& bytes, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        bytes.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

void putu16(std::vector<std::uint8_t>& bytes, std::uint16_t value)
{
    bytes.push_back(static_cast<std::uint8_t>(value));
    bytes.push_back(static_cast<std::uint8_t>(value >> 8));
}

void putid(std::vector<std::uint8_t>& bytes, const char* id)
{
    for (int i = 0; i < 4; ++i)
        bytes.push_back(static_cast<std::uint8_t>(id[i]));
}

bool hasid(const std::vector<std::uint8_t>& bytes, std::size_t at, const char* id)
{
    return bytes.size() >= at + 4 && std::memcmp(bytes.data() + at, id, 4) == 0;
}

std::vector<std::uint8_t> slice(const std::vector<std::uint8_t>& bytes, std::size_t at, std::size_t length)
{
    if (at > bytes.size() || length > bytes.size() - at)
        throw TBankError(TBankFault::endstooearly, "Stream read error");
    return std::vector<std::uint8_t>(bytes.begin() + at, bytes.begin() + at + length);
}

float decodesample(const std::uint8_t* bytes, int bits, bool isfloat)
{
    if (isfloat) {
        float value;
        std::memcpy(&value, bytes, 4);
        // NaN would pass every clamp after this and reach the device, and
        // a value near the float's limit turns into one when two channels
        // are added; beyond full scale the device clips anyway.
        return std::isfinite(value) ? std::clamp(value, -1.0f, 1.0f) : 0.0f;
    }
    switch (bits) {
    case 8:
        return (bytes[0] - 128) / 128.0f;
    case 16:
        return static_cast<std::int16_t>(readle(bytes, 2)) / 32768.0f;
    case 24:
        return static_cast<float>((readle(bytes, 3) << 8) >> 8) / 8388608.0f;
    default:
        return static_cast<float>(static_cast<std::int32_t>(readle(bytes, 4)) / 2147483648.0);
    }
}

}

TWave readriffwave(const std::vector<std::uint8_t>& riff)
{
    if (!hasid(riff, 0, "RIFF") || !hasid(riff, 8, "WAVE"))
        throw TBankError(TBankFault::wrongvalue, "Wave is invalid");
    TWave wave;
    std::optional<std::pair<std::size_t, std::size_t>> datachunk;
    std::size_t at = 12;
    for (;;) {
        std::uint32_t id = readu32(riff, at);
        if (id == 0)
            break;
        std::size_t length = readu32(riff, at + 4);
        std::size_t body = at + 8;
        if (hasid(riff, at, "fmt "))
            wave.format = slice(riff, body, length);
        else if (hasid(riff, at, "data"))
            datachunk = { body, length };
        // No pad byte after an odd length: the files this reads are written
        // that way.
        at = body + length;
    }
    if (datachunk)
        wave.data = slice(riff, datachunk->first, datachunk->second);
    if (wave.format.size() >= 8) {
        std::uint32_t rate = readu32(wave.format, 4);
        if (rate < lowestwaverate || rate > highestwaverate)
            throw TBankError(TBankFault::wrongvalue, "Wave is invalid");
    }
    return wave;
}

std::vector<std::uint8_t> writeriffwave(const TWave& wave)
{
    std::vector<std::uint8_t> riff;
    putid(riff, "RIFF");
    putu32(riff, static_cast<std::uint32_t>(4 + 8 + wave.format.size() + 8 + wave.data.size()));
    putid(riff, "WAVE");
    putid(riff, "fmt ");
    putu32(riff, static_cast<std::uint32_t>(wave.format.size()));
    riff.insert(riff.end(), wave.format.begin(), wave.format.end());
    putid(riff, "data");
    putu32(riff, static_cast<std::uint32_t>(wave.data.size()));
    riff.insert(riff.end(), wave.data.begin(), wave.data.end());
    return riff;
}

std::vector<std::uint8_t> pcm16monoformat(int rate)
{
    std::vector<std::uint8_t> format;
    putu16(format, 1); // PCM
    putu16(format, 1); // channels
    putu32(format, static_cast<std::uint32_t>(rate));
    putu32(format, static_cast<std::uint32_t>(rate * 2)); // bytes per second
    putu16(format, 2); // block align
    putu16(format, 16); // bits per sample
    putu16(format, 0); // no extra bytes
    return format;
}

std::optional<TDecodedWave> decodewave(const TWave& wave)
{
    if (wave.format.size() < 16)
        return std::nullopt;
    int tag = readle(wave.format.data(), 2);
    int channels = readle(wave.format.data() + 2, 2);
    int rate = readle(wave.format.data() + 4, 4);
    int bits = readle(wave.format.data() + 14, 2);
    constexpr int pcm = 1, ieeefloat = 3;
    bool isfloat = tag == ieeefloat;
    bool supported = (tag == pcm && (bits == 8 || bits == 16 || bits == 24 || bits == 32)) || (isfloat && bits == 32);
    if (!supported || channels < 1 || channels > 2 || rate < lowestwaverate || rate > highestwaverate)
        return std::nullopt;

    int samplebytes = bits / 8;
    std::size_t frames = wave.data.size() / std::size_t(samplebytes * channels);
    TDecodedWave decoded;
    decoded.rate = rate;
    decoded.samples.resize(frames);
    const std::uint8_t* at = wave.data.data();
    for (std::size_t frame = 0; frame < frames; ++frame) {
        float sum = 0;
        for (int channel = 0; channel < channels; ++channel, at += samplebytes)
            sum += decodesample(at, bits, isfloat);
        decoded.samples[frame] = sum / channels;
    }
    return decoded;
}
