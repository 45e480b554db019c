#include "runtime/tones.h"

#include "runtime/cells.h"
#include "runtime/services.h"

#include <algorithm>
#include <cmath>
#include <string>

namespace {

std::string tonewave(size_t voice, int timbre)
{
    return "snd" + std::to_string(voice) + std::to_string(timbre);
}

// A value of 0 is a rest: the wave sounds at 2 x 64, well below hearing.
int playrate(double value)
{
    double frequency = std::trunc(std::clamp(value, 0.0, highesttonevalue));
    if (frequency == 0)
        frequency = 2;
    return static_cast<int>(frequency) * 64;
}

// Whether a key rather than the tone timer ended the current tone.
bool cutbykey = false;

}

void sound(const std::vector<double>& values, double duration, double timbre)
{
    if (!switches.soundsenabled)
        return;
    if (timbre > 9)
        timbre = runtimecells.lasttimbre;
    if (duration < 0)
        duration = runtimecells.lastduration;
    runtimecells.lasttimbre = static_cast<std::uint8_t>(static_cast<int>(std::trunc(timbre)));
    runtimecells.lastduration = static_cast<std::int32_t>(std::trunc(duration));
    int wavetimbre = runtimecells.lasttimbre;

    runtimecells.tonewaiting = true;
    cutbykey = false;
    for (size_t voice = 1; voice <= values.size(); ++voice)
        sounds().startlooped(tonewave(voice, wavetimbre), playrate(values[voice - 1]), switches.soundvolume);

    // A tone of no length ends at once: a timer of interval 0 would never
    // end the wait.
    if (runtimecells.lastduration > 0) {
        host().starttonetimer(runtimecells.lastduration);
        while (runtimecells.tonewaiting)
            host().waitforevent();
    } else {
        runtimecells.tonewaiting = false;
    }

    for (size_t voice = 1; voice <= values.size(); ++voice) {
        if (cutbykey)
            sounds().cutall(tonewave(voice, wavetimbre));
        else
            sounds().stopall(tonewave(voice, wavetimbre));
    }
}

void beep()
{
    if (switches.soundsenabled)
        sounds().playwait("beep", switches.soundvolume);
}

void click(double number)
{
    if (switches.soundsenabled)
        sounds().playwait("click" + std::to_string(static_cast<long long>(std::trunc(number))), switches.soundvolume);
}

void tonetimerexpired()
{
    runtimecells.tonewaiting = false;
    host().stoptonetimer();
}

void cuttone()
{
    if (runtimecells.tonewaiting) {
        cutbykey = true;
        tonetimerexpired();
    }
}
