#pragma once
// The band-limited forms of one looped wave. A looped wave played at rate R
// is periodic, so it is rebuilt from its harmonics, keeping only those below
// the output's Nyquist limit at that rate; this avoids the aliasing a plain
// interpolating resampler makes at the high rates tones use. Tables are made
// on first request, on the caller's thread, never on the audio thread.

#include <map>
#include <memory>
#include <vector>

class TLoopWavetables {
public:
    // One power of two: the player masks its index.
    static constexpr int tablesize = 2048;

    // The loop is the whole wave, repeated.
    explicit TLoopWavetables(const std::vector<float>& loop);

    // How many times a second the loop repeats when played at the rate.
    double loopspersecond(double playrate) const { return playrate / m_looplength; }

    // The loop with every harmonic below half the output rate when it
    // repeats loopspersecond times a second; tablesize + 1 values, the last
    // repeating the first so interpolation needs no wrap.
    std::shared_ptr<const std::vector<float>> table(double loopspersecond, int outputrate);

private:
    std::shared_ptr<const std::vector<float>> build(int harmoniccount) const;

    double m_looplength;
    std::vector<double> m_cosine; // harmonic amplitudes, index = harmonic number
    std::vector<double> m_sine;
    std::map<int, std::shared_ptr<const std::vector<float>>> m_tables; // by harmonic count
};
