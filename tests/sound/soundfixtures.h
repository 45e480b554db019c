#pragma once
// What the sound tests share: the generated bank's waves, and a device whose
// output the test renders by hand, block by block.

#include "sound/bankfile.h"
#include "sound/sounddevice.h"

#include <string>
#include <vector>

// The generated bank, read once.
const std::vector<TStoredWave>& generatedbank();
const TStoredWave& generatedwave(const std::string& name);
// The wave's samples as floats at its own rate.
std::vector<float> generatedsamples(const std::string& name);

// An output that never runs by itself: the test calls renderblocks. Each
// block is heard latencyframes after it is asked for, as a device's is.
class TManualOutput final : public TAudioOutput {
public:
    static constexpr int blockframes = 256;

    explicit TManualOutput(int latencyframes = 0)
        : m_latencyframes(latencyframes)
    {
    }

    int rate() const override { return 48000; }
    // Past the block being heard and the one already rendered.
    int leadframes() const override { return 2 * m_latencyframes; }
    int historyframes() const override { return 0; }
    void start(TMixer& mixer) override { m_mixer = &mixer; }
    void close() noexcept override { }

    // Renders whole blocks and returns them joined.
    std::vector<float> renderblocks(int count);

private:
    int m_latencyframes;
    TMixer* m_mixer = nullptr;
};
