#include "runtime/print.h"

#include "runtime/cells.h"
#include "runtime/screen.h"
#include "runtime/services.h"

#include <QLocale>
#include <algorithm>
#include <charconv>
#include <cmath>

namespace {

bool isleadingpause(char c)
{
    return c == '.' || c == ',' || c == ';' || c == '?';
}

// The blanks trimmed before a leading punctuation mark: every character up
// to and including the space.
bool isleadingblank(char c)
{
    auto code = static_cast<unsigned char>(c);
    return code >= 1 && code <= ' ';
}

// A leading punctuation mark of a print item is a 300 ms silence, not
// something for the engine to read.
constexpr int punctuationpausems = 300;

}

void printtext(const std::string& text, int separator)
{
    runtimecells.separatormode = static_cast<std::uint8_t>(separator);
    puttext(text);
    if (text.empty())
        return;

    auto firstother = std::find_if_not(text.begin(), text.end(), isleadingblank);
    if (firstother == text.end() || !isleadingpause(*firstother)) {
        speech().speakwait(text);
        return;
    }
    auto index = static_cast<size_t>(firstother - text.begin());
    while (index < text.size() && isleadingpause(text[index])) {
        host().sleepms(punctuationpausems);
        ++index;
    }
    speech().speakwait(text.substr(index));
}

void printmessage(const std::string& text)
{
    if (scrcursor.column() != 0) {
        runtimecells.separatormode = 0;
        puttext({});
    }
    runtimecells.separatormode = 0;
    puttext(text);
}

void printnumber(int separator, double value)
{
    std::string digits = numtostr(value);
    runtimecells.separatormode = static_cast<std::uint8_t>(separator);
    puttext(digits);
    if (!digits.empty())
        speech().speakwait(digits);
}

std::string numtostr(double value, char decimalpoint)
{
    char buffer[64];
    if (std::isfinite(value) && value == std::trunc(value) && std::fabs(value) < 1e15) {
        auto result = std::to_chars(buffer, buffer + sizeof buffer, static_cast<long long>(value));
        return std::string(buffer, result.ptr);
    }
    if (std::isnan(value))
        return "NAN";
    if (std::isinf(value))
        return value > 0 ? "INF" : "-INF";

    auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 15);
    std::string text(buffer, result.ptr);
    // to_chars writes "1.5e+20"; the device writes "1.5E20".
    if (auto e = text.find('e'); e != std::string::npos) {
        std::string mantissa = text.substr(0, e);
        std::string exponent = text.substr(e + 1);
        bool negative = exponent[0] == '-';
        exponent.erase(0, 1);
        exponent.erase(0, std::min(exponent.find_first_not_of('0'), exponent.size() - 1));
        text = mantissa + "E" + (negative ? "-" : "") + exponent;
    }
    if (auto point = text.find('.'); point != std::string::npos)
        text[point] = decimalpoint;
    return text;
}

std::string numtostr(double value)
{
    return numtostr(value, systemdecimalpoint());
}

char systemdecimalpoint()
{
    QString point = QLocale::system().decimalPoint();
    return point.size() == 1 && point[0].unicode() < 0x80 ? static_cast<char>(point[0].unicode()) : '.';
}
