#pragma once
// What the runtime needs from the window it runs in: its turn at the event
// loop, the tone timer, the clock and the random generator, and a word when
// the screen changed. The main window implements it over Qt; tests implement
// it with a virtual clock and scripted keys.

#include <cstdint>

struct TTimeOfDay {
    int hour = 0;
    int minute = 0;
    int second = 0;
};

class TRuntimeHost {
public:
    virtual ~TRuntimeHost() = default;

    // Handles the events that are waiting, once, and returns at once.
    virtual void pumpevents() = 0;
    // Blocks until at least one event has been handled. The waits of the
    // runtime loop on this while their flag stays set.
    virtual void waitforevent() = 0;
    // A program that computes without waiting calls this now and then, so
    // that the window stays responsive (and Exit can end it). Handles the
    // waiting events, as pumpevents does.
    virtual void givewindowturn() { pumpevents(); }
    // Blocks for the given time without handling any event.
    virtual void sleepms(int milliseconds) = 0;

    // The main window's tone timer: after the interval it calls
    // tonetimerexpired() (runtime/tones.h). Starting it again restarts it.
    virtual void starttonetimer(int milliseconds) = 0;
    virtual void stoptonetimer() = 0;

    virtual TTimeOfDay timeofday() = 0;
    // Uniform draws in [0, 1) and a reseed from the clock.
    virtual double randomdraw() = 0;
    virtual void reseedrandom() = 0;

    // The screen model changed; the window refreshes its view of it.
    virtual void screenchanged() = 0;
};
