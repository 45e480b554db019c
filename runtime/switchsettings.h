#pragma once
// The user's switches (runtime/cells.h) and the settings file: the start-up
// read, which on the first run creates the file, and the write after a
// menu command or the sound settings changed them. The voice's own keys are
// the speech layer's.

#include "runtime/settings.h"

// Reads the switches, or on the first run (no file) allows the voice when
// a voice can be found and writes only that. Returns whether the SAPI5
// voice is chosen in the file.
bool readsettings(const TSettingsFile& file, bool voiceenumeratorexists);
void writesettings(const TSettingsFile& file);
