#include "runtime/tones.h"

#include "runtime/programtexts.h"

#include "runtime/cells.h"
#include "runtime/services.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

namespace {

std::string tonewave(size_t voice, int timbre)
{
    return "snd" + std::to_string(voice) + std::to_string(timbre);
}

// A value of 0 is a rest: the wave sounds at 2 x 64, well below hearing.
int playrate(double value)
{
    double frequency = value > 0 ? std::trunc(std::min(value, highesttonevalue)) : 0;
    if (frequency == 0)
        frequency = 2;
    return static_cast<int>(frequency) * 64;
}

// Whether a key rather than the tone timer ended the current tone.
bool cutbykey = false;

// A timbre kept in a byte, as the device keeps it: -1 becomes 255. A
// program's own numbers can be anything, so nothing here overflows.
std::uint8_t timbrebyte(double timbre)
{
    if (!std::isfinite(timbre))
        return 0;
    double remainder = std::fmod(std::trunc(timbre), 256);
    return static_cast<std::uint8_t>(remainder < 0 ? remainder + 256 : remainder);
}

// Milliseconds as a 32-bit count: anything longer lasts as long as that
// can, and what is not a number not at all.
std::int32_t durationms(double duration)
{
    if (!(duration > 0))
        return 0;
    return static_cast<std::int32_t>(std::min(std::trunc(duration), 2147483647.0));
}

// The decimal text of the number cut toward zero; a number no click has
// still names a wave, one the bank does not hold.
std::string clicknumber(double number)
{
    char text[400];
    std::snprintf(text, sizeof text, "%.0f", std::trunc(number) + 0.0); // -0 is 0
    return text;
}

}

void sound(const std::vector<double>& values, double duration, double timbre)
{
    if (!switches.soundsenabled)
        return;
    if (timbre > 9)
        timbre = runtimecells.lasttimbre;
    if (duration < 0)
        duration = runtimecells.lastduration;
    runtimecells.lasttimbre = timbrebyte(timbre);
    runtimecells.lastduration = durationms(duration);
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
    if (!switches.soundsenabled)
        return;
    try {
        sounds().playwait("click" + clicknumber(number), switches.soundvolume);
    } catch (const TWaveNotFound&) {
        throw TVorkanaError(programtext(TProgramText::noclick, clicknumber(number)));
    }
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
