#include "runtime/functions.h"

#include "runtime/cells.h"
#include "runtime/codepage.h"
#include "runtime/errors.h"
#include "runtime/programtexts.h"
#include "runtime/ram.h"
#include "runtime/services.h"

#include <QChar>
#include <algorithm>
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

std::string midstr(const std::string& text, double start, double count)
{
    double from = std::trunc(start);
    double length = std::trunc(count);
    if (!(from >= 1) || from > static_cast<double>(text.size()) || !(length > 0))
        return {};
    return text.substr(static_cast<size_t>(from) - 1, static_cast<size_t>(std::min(length, 1e9)));
}

std::string midstr(const std::string& text, double start)
{
    return midstr(text, start, static_cast<double>(text.size()));
}

std::string rightstr(const std::string& text, double count)
{
    double n = std::trunc(count);
    if (!(n > 0))
        return {};
    if (n >= static_cast<double>(text.size()))
        return text;
    return text.substr(text.size() - static_cast<size_t>(n));
}

std::string chrstr(double code)
{
    return std::string(1, static_cast<char>(static_cast<unsigned char>(std::trunc(code))));
}

double asc(const std::string& text)
{
    return static_cast<unsigned char>(text.at(0));
}

double instr(double start, const std::string& text, const std::string& sought)
{
    double from = std::trunc(start);
    if (!(from >= 1) || from > static_cast<double>(text.size()) + 1)
        return 0;
    size_t found = text.find(sought, static_cast<size_t>(from) - 1);
    return found == std::string::npos ? 0 : static_cast<double>(found + 1);
}

namespace {

// Each character mapped alone, so that a letter with no single-letter case
// partner (German sharp s) stays as it is and the length never changes.
std::string changecase(const std::string& text, bool upper)
{
    std::string changed = text;
    for (char& byte : changed) {
        auto code = static_cast<unsigned char>(byte);
        if (code < 0x80) {
            if (upper && code >= 'a' && code <= 'z')
                byte = static_cast<char>(code - 'a' + 'A');
            else if (!upper && code >= 'A' && code <= 'Z')
                byte = static_cast<char>(code - 'A' + 'a');
            continue;
        }
        char32_t character = cp1250::tounicode(code);
        if (character > 0xFFFF)
            continue;
        QChar letter(static_cast<char16_t>(character));
        unsigned char partner = 0;
        if (cp1250::frombytecode((upper ? letter.toUpper() : letter.toLower()).unicode(), partner))
            byte = static_cast<char>(partner);
    }
    return changed;
}

}

std::string ucasestr(const std::string& text)
{
    return changecase(text, true);
}

std::string lcasestr(const std::string& text)
{
    return changecase(text, false);
}

namespace {

double hexadecimalvalue(const std::string& text)
{
    auto fail = [&]() -> double { throw TVorkanaError(programtext(TProgramText::valcannotread, cp1250::toutf8(text))); };

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

// The whole text from its first non-blank on as a decimal number.
std::optional<double> decimalvalue(std::string text)
{
    // A comma is the decimal point of Czech and Slovak settings, which is
    // how such a desktop shows numbers; one comma and no point reads so.
    size_t comma = text.find(',');
    if (comma != std::string::npos && text.find(',', comma + 1) == std::string::npos
        && text.find('.') == std::string::npos)
        text[comma] = '.';
    size_t index = text.find_first_not_of(' ');
    if (index == std::string::npos)
        return std::nullopt;
    bool plus = text[index] == '+';
    if (plus)
        ++index;
    const char* begin = text.data() + index;
    const char* end = text.data() + text.size();
    // from_chars also reads "inf" and "nan", which are no numbers here.
    const char* digit = !plus && begin != end && *begin == '-' ? begin + 1 : begin;
    if (digit == end || !(std::isdigit(static_cast<unsigned char>(*digit)) || *digit == '.'))
        return std::nullopt;
    double value = 0;
    auto result = std::from_chars(begin, end, value, std::chars_format::general);
    if (result.ec != std::errc {} || result.ptr != end)
        return std::nullopt;
    return value;
}

}

double val(const std::string& text)
{
    if (text.find('%') != std::string::npos)
        return hexadecimalvalue(text);
    return decimalvalue(text).value_or(0);
}

std::optional<double> numberin(const std::string& text)
{
    size_t last = text.find_last_not_of(' ');
    return decimalvalue(last == std::string::npos ? std::string() : text.substr(0, last + 1));
}

double peek(double address)
{
    double a = std::trunc(address);
    if (!(a >= 0 && a < static_cast<double>(ramimage.size())))
        return 0;
    return ramimage[static_cast<size_t>(a)];
}
