#include "speech/Speech.h"

#include "speech/TTSVar.h"

void TTTSNotifySink::AudioStart()
{
    ttsvar.ttsplaying = true;
}

void TTTSNotifySink::AudioStop()
{
    ttsvar.ttsplaying = false;
}
