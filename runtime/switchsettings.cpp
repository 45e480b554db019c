#include "runtime/switchsettings.h"

#include "runtime/cells.h"

bool readsettings(const TSettingsFile& file, bool voiceenumeratorexists)
{
    if (!file.exists()) {
        switches.voiceallowed = voiceenumeratorexists;
        file.writeboolean(settings::voiceallowed, switches.voiceallowed);
        return false;
    }
    switches.voiceallowed = file.readboolean(settings::voiceallowed);
    switches.soundsenabled = file.readboolean(settings::vorkanasounds);
    switches.soundvolume = file.readinteger(settings::sndvolume);
    switches.braillekeyboard = file.readboolean(settings::braillekeys);
    return file.readboolean(settings::sapi5);
}

void writesettings(const TSettingsFile& file)
{
    file.writeboolean(settings::voiceallowed, switches.voiceallowed);
    file.writeboolean(settings::vorkanasounds, switches.soundsenabled);
    file.writeinteger(settings::sndvolume, switches.soundvolume);
    file.writeboolean(settings::braillekeys, switches.braillekeyboard);
}
