#include "speech/echotable.h"

techotable echotable;

std::optional<std::string> echotext(char character)
{
    auto code = static_cast<std::uint8_t>(character);
    for (const auto& slot : echotable)
        if (slot.code == code && !(code == 0 && slot.text.empty()))
            return slot.text;
    return std::nullopt;
}
