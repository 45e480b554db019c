#include "shell/echoloader.h"

#include "runtime/errors.h"
#include "runtime/filetexts.h"
#include "shell/textfile.h"
#include "speech/echotable.h"

#include <charconv>

namespace {

int parsecode(const std::string& text)
{
    std::string_view digits = text;
    while (!digits.empty() && digits.front() == ' ')
        digits.remove_prefix(1);
    if (!digits.empty() && digits.front() == '+')
        digits.remove_prefix(1);
    int code = 0;
    auto result = std::from_chars(digits.data(), digits.data() + digits.size(), code);
    if (digits.empty() || result.ec != std::errc {} || result.ptr != digits.data() + digits.size())
        throw TVorkanaError("'" + text + "' is not a valid integer value");
    return code;
}

}

std::string loadechotable(const std::string& path)
{
    std::vector<std::string> lines = readtextlines(path);
    echotable.fill({});
    size_t slot = 0;
    int ignored = 0;
    for (size_t number = 0; number < lines.size(); ++number) {
        const std::string& line = lines[number];
        if (line.empty())
            continue;
        if (slot == echotable.size()) {
            ++ignored;
            continue;
        }
        // A line without "=" has no code: its code part is empty.
        size_t equals = line.find('=');
        std::string code = equals == std::string::npos ? std::string() : line.substr(0, equals);
        std::string name = equals == std::string::npos ? std::string() : line.substr(equals + 1);
        int value = 0;
        try {
            value = parsecode(code);
        } catch (const TVorkanaError&) {
            throw TVorkanaError(filetext(TFileText::characternamesbroken, path, std::to_string(number + 1)));
        }
        echotable[slot++] = { static_cast<std::uint8_t>(value & 0xFF), std::move(name) };
    }
    if (ignored == 0)
        return {};
    return filetext(TFileText::characternamesmany, path, std::to_string(ignored));
}
