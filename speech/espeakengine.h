#pragma once
// The own voice over espeak-ng. espeak-ng is initialised once on the main
// thread before any other thread starts (it sets the process's LC_CTYPE);
// from then on every espeak-ng call runs on one worker thread the engine
// owns. Its samples go into the mixer's speech stream, so speech and tones
// share one device and one clock; audio notices reach the GUI thread posted.

#include "sound/speechstream.h"
#include "speech/ttsengine.h"

#include <memory>
#include <string>

// Call in main() right after the QApplication exists. False, with the
// reason, when espeak-ng cannot be used; the own voice is then unavailable.
bool initespeak(std::string* reason = nullptr);

// The voices of espeak-ng, Czech first, then Slovak, then English, then the
// rest; null when initespeak failed. The stream must outlive everything the
// enumerator hands out.
std::unique_ptr<TTTSEnum> createespeakenumerator(TSpeechStream& stream);

// The ranges the engine answers the probe with. Speed reaches far past the
// usual 450 words per minute: practised listeners go much faster.
namespace espeakrange {
inline constexpr int slowest = 80;
inline constexpr int fastest = 900;
inline constexpr int lowestpitch = 0;
inline constexpr int highestpitch = 100;
inline constexpr int defaultspeed = 175;
inline constexpr int defaultpitch = 50;
}
