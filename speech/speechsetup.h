#pragma once
// Puts the real engines behind the speech layer: the own voice over
// espeak-ng writing into the mixer's speech stream, and the system voice
// over speech-dispatcher. The main window calls these at start-up and at
// the end of the process.

#include "sound/speechstream.h"
#include "speech/espeakengine.h"

// Creates the own voice's enumerator (absent when espeak-ng did not start)
// and the system voice, and installs the speech layer as the runtime's
// speech service. The stream must live until releasespeech().
void initspeech(TSpeechStream& stream);

// Stops and joins the speech worker and closes the speech-dispatcher
// connection. Every way of ending calls it; it never throws.
void releasespeech() noexcept;
