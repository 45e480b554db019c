#include "shell/switchsignal.h"

#include "runtime/tones.h"

namespace {
constexpr double lowtone = 400;
constexpr double hightone = 600;
constexpr double signalduration = 50;
constexpr double signaltimbre = 3;
}

void playswitchsignal(bool switchedon)
{
    sound({ switchedon ? lowtone : hightone }, signalduration, signaltimbre);
    sound({ switchedon ? hightone : lowtone }, signalduration, signaltimbre);
}
