// The settings reader on any file, with every typed read the program makes.
// A value read must lie in its setting's range.

#include "fuzz/memoryfile.h"
#include "runtime/errors.h"
#include "runtime/settings.h"

#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    TMemoryFile file(data, size);
    TSettingsFile settingsfile(file.path());
    for (const TIntegerSetting* setting : { &settings::language, &settings::voiceallowed, &settings::vorkanasounds,
             &settings::sndvolume, &settings::braillekeys, &settings::sapi5, &settings::pitch, &settings::speed,
             &settings::volume }) {
        int value = settingsfile.readinteger(*setting);
        if (value < setting->minimum || value > setting->maximum) {
            std::fprintf(stderr, "%s read %d outside its range\n", setting->key, value);
            std::abort();
        }
        settingsfile.readboolean(*setting);
    }
    settingsfile.readtext(settings::person);
    return 0;
}
