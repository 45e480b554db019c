#pragma once
// The three ways the runtime plays waves of the sound bank. A name the bank
// does not hold raises TWaveNotFound. Volumes are hundredths of a decibel
// (0 full, -10000 silent).

#include "runtime/errors.h"

#include <string>

class TWaveNotFound : public TVorkanaError {
public:
    explicit TWaveNotFound(const std::string& name);
};

class TSoundPlayer {
public:
    virtual ~TSoundPlayer() = default;

    // Plays the wave looped at the given rate (samples per second) until
    // stopall; starting it again restarts it from its beginning.
    virtual void startlooped(const std::string& name, int rate, int volume) = 0;
    // Stops every sounding instance of the wave.
    virtual void stopall(const std::string& name) = 0;
    // Stops every sounding instance as soon as the output can: a key cut
    // the tone short, so there is no exact moment worth waiting for.
    virtual void cutall(const std::string& name) { stopall(name); }
    // Plays the wave once and returns when its last sample has been heard,
    // without handling window events.
    virtual void playwait(const std::string& name, int volume) = 0;
};
