#include "speech/ttsengine.h"

#include "runtime/errors.h"

#include <cstdio>

void raiseengineerror(std::uint32_t code, const std::string& enginemessage)
{
    char number[16];
    std::snprintf(number, sizeof number, "%.8x", static_cast<unsigned>(code));
    std::string message = "Speech engine error " + std::string(number);
    if (!enginemessage.empty())
        message += ": " + enginemessage;
    throw TVorkanaError(message);
}
