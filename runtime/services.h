#pragma once
// The engines the runtime reaches, installed once by the application (or by
// a test). Until something is installed, silent stand-ins serve, so the
// runtime never dereferences a missing engine.

#include "runtime/host.h"
#include "runtime/soundplayer.h"
#include "runtime/speaker.h"

struct TRuntimeServices {
    TRuntimeHost* host;
    TSpeaker* speech;
    TSoundPlayer* sounds;
};

extern TRuntimeServices services;

// Puts back the silent stand-ins.
void resetservices();

TRuntimeHost& host();
TSpeaker& speech();
TSoundPlayer& sounds();
