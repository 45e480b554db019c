#include "shell/displaykeys.h"

#include "runtime/cells.h"
#include "runtime/services.h"
#include "runtime/tones.h"
#include "shell/brailletable.h"
#include "shell/keyhandlers.h"

#include <algorithm>

void displaychord(const std::string& pattern)
{
    speech().stopspeech();
    cuttone();
    currentchord.clear();
    typedchar.clear();
    runtimecells.keybuffer = decodechord(pattern);
}

void entrydisplaychord(const std::string& pattern, TEditField& field)
{
    speech().stopspeech();
    currentprefix = dataentry.savedprefix;
    std::string decoded = decodechord(pattern);
    dataentry.savedprefix = currentprefix;
    if (decoded.empty())
        return;
    speech().speakchar(decoded.substr(0, 1));
    field.text.insert(static_cast<size_t>(field.caret), decoded);
    field.caret += static_cast<int>(decoded.size());
}

void entrydisplayroute(int column, TEditField& field)
{
    field.caret = std::clamp(column, 0, static_cast<int>(field.text.size()));
}
