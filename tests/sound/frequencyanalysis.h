#pragma once
// Measuring rendered or recorded sound in tests: frequency by zero
// crossings, level, and a windowed power spectrum.

#include <cstddef>
#include <vector>

// The frequency of a clean periodic signal from its rising zero crossings,
// interpolated between samples. 0 when there are fewer than two.
double zerocrossingfrequency(const std::vector<float>& samples, int rate);
double rms(const std::vector<float>& samples);
// Power per bin (bin k at k * rate / size) of the first power-of-two
// frames, under a Blackman-Harris window, in decibels relative to the
// strongest bin.
std::vector<double> spectrumdecibels(const std::vector<float>& samples);
// The longest run of samples too quiet to hear (under 0.01) within [from, to):
// a drop-out inside a tone.
int longestquietrun(const std::vector<float>& samples, std::size_t from, std::size_t to);

// Silences of at least minimumms (every sample under 1e-4) that begin
// within windowms of an utterance's first sound, an utterance being sound
// after at least quietms of silence: speech lost near its start.
struct TSpeechHole {
    double onsetms;
    double startms;
    double lengthms;
};
std::vector<TSpeechHole> holesnearonsets(const std::vector<float>& recording, int rate, double quietms,
    double windowms, double minimumms);
