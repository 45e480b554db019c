#pragma once
// The process-wide cells of the runtime, grouped by owner, one instance each
// so that tests can put them back to their start-up values.

#include <cstdint>
#include <string>

// The user's switches, read from the settings file at start-up and changed
// by the menu commands and dialogs.
struct TSwitches {
    bool voiceallowed = false;
    bool soundsenabled = true;
    int soundvolume = 0; // hundredths of a decibel, -10000..0
    bool braillekeyboard = false;
    bool usesapi5 = false;
    bool voiceready = false;
};

// The cells of the running program and of the keyboard it polls.
struct TRuntimeCells {
    std::string keybuffer; // one Windows-1250 character, or empty
    double lastrnd = 0;
    std::uint8_t lasttimbre = 1;
    std::int32_t lastduration = 1;
    bool tonewaiting = false;
    std::uint8_t separatormode = 0;
    bool programstarted = false;
};

extern TSwitches switches;
extern TRuntimeCells runtimecells;

// Back to the values the application starts with, the empty screen and
// its cursor included.
void resetcells();
