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

// An output that never runs by itself: the test calls renderblocks.
class TManualOutput final : public TAudioOutput {
public:
    explicit TManualOutput(int latencyframes = 0)
        : m_latencyframes(latencyframes)
    {
    }

    int rate() const override { return 48000; }
    int blockframes() const override { return 256; }
    int latencyframes() const override { return m_latencyframes; }
    void start(TRenderer renderer) override { m_renderer = std::move(renderer); }
    void close() noexcept override { }

    // Renders whole blocks and returns them joined.
    std::vector<float> renderblocks(int count);

private:
    int m_latencyframes;
    TRenderer m_renderer;
};
