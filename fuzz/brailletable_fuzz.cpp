// The Braille table loader on any file, then every chord decoded twice over
// (so each prefix the table defines is in force for a round).

#include "fuzz/memoryfile.h"
#include "runtime/errors.h"
#include "shell/brailletable.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    resetbrailletable();
    TMemoryFile file(data, size);
    try {
        loadbrailletable(file.path());
    } catch (const TVorkanaError&) {
        return 0;
    }
    for (int round = 0; round < 2; ++round) {
        for (int dots = 0; dots < 64; ++dots) {
            TBrailleKeys keys;
            for (int dot = 0; dot < 6; ++dot)
                keys.dot[dot] = (dots >> dot) & 1;
            keys.space = dots == 0;
            decodechord(chordpattern(keys));
        }
    }
    return 0;
}
