#include "runtime/functions.h"

#include "runtime/cells.h"
#include "runtime/errors.h"
#include "runtime/ram.h"
#include "runtime/services.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>

std::string inkey()
{
    host().pumpevents();
    std::string key = std::move(runtimecells.keybuffer);
    runtimecells.keybuffer.clear();
    return key;
}

double rnd(double x)
{
    if (x > 0) {
        double first = host().randomdraw();
        runtimecells.lastrnd = host().randomdraw();
        return first;
    }
    if (x < 0)
        host().reseedrandom();
    return runtimecells.lastrnd;
}

std::string timestr()
{
    TTimeOfDay now = host().timeofday();
    char text[16];
    std::snprintf(text, sizeof text, "%02d %02d %02d ", now.hour % 100, now.minute % 100, now.second % 100);
    return text;
}

std::string leftstr(const std::string& text, double count)
{
    double n = std::trunc(count);
    if (!(n > 0))
        return {};
    if (n >= static_cast<double>(text.size()))
        return text;
    return text.substr(0, static_cast<size_t>(n));
}

namespace {

double hexadecimalvalue(const std::string& text)
{
    auto fail = [&]() -> double { throw TVorkanaError("'" + text + "' is not a valid integer value"); };

    size_t index = text.find_first_not_of(' ');
    if (index == std::string::npos)
        return fail();
    bool negative = false;
    if (text[index] == '+' || text[index] == '-')
        negative = text[index++] == '-';
    if (index >= text.size() || text[index] != '%')
        return fail();
    ++index;
    // Like the device, the digits fill 32 bits, leading zeros included, and
    // the value wraps as 32 bits: %FFFFFFFF is -1, -%80000000 the lowest
    // integer. Only a value past 32 bits fails.
    std::uint32_t value = 0;
    const char* begin = text.data() + index;
    const char* end = text.data() + text.size();
    auto result = std::from_chars(begin, end, value, 16);
    if (begin == end || result.ec != std::errc {} || result.ptr != end)
        return fail();
    return static_cast<std::int32_t>(negative ? 0u - value : value);
}

double decimalvalue(const std::string& text)
{
    size_t index = text.find_first_not_of(' ');
    if (index == std::string::npos)
        return 0;
    bool plus = text[index] == '+';
    if (plus)
        ++index;
    const char* begin = text.data() + index;
    const char* end = text.data() + text.size();
    // from_chars also reads "inf" and "nan", which are no numbers here.
    const char* digit = !plus && begin != end && *begin == '-' ? begin + 1 : begin;
    if (digit == end || !(std::isdigit(static_cast<unsigned char>(*digit)) || *digit == '.'))
        return 0;
    double value = 0;
    auto result = std::from_chars(begin, end, value, std::chars_format::general);
    if (result.ec == std::errc::result_out_of_range)
        return 0;
    if (result.ec != std::errc {} || result.ptr != end)
        return 0;
    return value;
}

}

double val(const std::string& text)
{
    if (text.find('%') != std::string::npos)
        return hexadecimalvalue(text);
    return decimalvalue(text);
}

double peek(double address)
{
    double a = std::trunc(address);
    if (!(a >= 0 && a < static_cast<double>(ramimage.size())))
        return 0;
    return ramimage[static_cast<size_t>(a)];
}
