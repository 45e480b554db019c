#include "tests/sound/soundfixtures.h"

#include <fstream>
#include <stdexcept>

const std::vector<TStoredWave>& generatedbank()
{
    static const std::vector<TStoredWave> bank = [] {
        std::ifstream file(VORKANA_SOUNDS_DAT, std::ios::binary);
        std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
        return readbank(bytes);
    }();
    return bank;
}

const TStoredWave& generatedwave(const std::string& name)
{
    for (const auto& wave : generatedbank())
        if (wave.Name == name)
            return wave;
    throw std::runtime_error("no wave " + name + " in the generated bank");
}

std::vector<float> generatedsamples(const std::string& name)
{
    return decodewave(generatedwave(name).Wave)->samples;
}

std::vector<float> TManualOutput::renderblocks(int count)
{
    std::vector<float> output(static_cast<std::size_t>(count * blockframes));
    for (int block = 0; block < count; ++block)
        m_mixer->renderblock(output.data() + block * blockframes, blockframes, TMixerClock::now(), m_latencyframes);
    return output;
}
