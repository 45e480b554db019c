#pragma once
// Qt's own texts (the labels and buttons of its file dialog, its message
// box, its edit fields' menus) in the interface language, from the
// catalogues Qt ships for it (Debian's qt6-translations-l10n). Our own
// texts come from the localised table, never from here.

// Czech (1000) and Slovak (3000) load Qt's catalogue of that language in
// place of the one loaded before; English, any other number and a missing
// catalogue leave Qt's own English.
void useqttranslations(int language);
