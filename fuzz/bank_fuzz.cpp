// The sound bank: the file reader on the raw bytes, then the bank loaded
// from them with a device, and the first items played as the runtime plays
// them (a loop at a tone's rate, a one-shot at its own), rendered by hand.
// Every rendered sample must be a number within the mixer's range.

#include "fuzz/memoryfile.h"
#include "runtime/errors.h"
#include "sound/bankfile.h"
#include "sound/mixer.h"
#include "sound/sounddevice.h"
#include "sound/wavecollection.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace {

class THandRenderedOutput final : public TAudioOutput {
public:
    static constexpr int blockframes = 256;

    int rate() const override { return 48000; }
    int leadframes() const override { return 0; }
    int historyframes() const override { return 0; }
    void start(TMixer& mixer) override { m_mixer = &mixer; }
    void close() noexcept override { }

    void renderandcheck(int blocks)
    {
        std::vector<float> block(blockframes);
        for (int count = 0; count < blocks; ++count) {
            m_mixer->renderblock(block.data(), blockframes, TMixerClock::now(), 0);
            for (float sample : block)
                if (!std::isfinite(sample) || std::abs(sample) > 16) {
                    std::fprintf(stderr, "rendered sample %g\n", double(sample));
                    std::abort();
                }
        }
    }

private:
    TMixer* m_mixer = nullptr;
};

// The game asks for a few waves at a time; playing every item of a bank of
// thousands would measure the harness, not the program.
constexpr std::size_t playeditems = 8;

}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::vector<std::uint8_t> bytes(data, data + size);
    std::vector<TStoredWave> stored;
    try {
        stored = readbank(bytes);
    } catch (const TVorkanaError&) {
        return 0;
    }

    auto owned = std::make_unique<THandRenderedOutput>();
    THandRenderedOutput& output = *owned;
    TSoundDevice device(std::move(owned));
    TWaveCollection bank(&device);
    TMemoryFile file(data, size);
    try {
        bank.LoadBank(file.path());
    } catch (const TVorkanaError&) {
        return 0;
    }
    for (std::size_t index = 0; index < stored.size() && index < playeditems; ++index) {
        TWaveCollectionItem& item = bank.FindItem(stored[index].Name);
        if (item.Looped())
            item.SetPlayRate(64 * int(1 + index * 311 % 2500));
        item.SetPlayVolume(-int(index) * 100);
        item.StartPlay(false);
        output.renderandcheck(4);
        item.StopAll();
        output.renderandcheck(1);
    }
    return 0;
}
