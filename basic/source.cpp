#include "basic/source.h"

#include "runtime/codepage.h"
#include "runtime/errors.h"
#include "runtime/programtexts.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <sstream>

namespace {

constexpr std::array<std::string_view, 57> keywordspellings = {
    "PRINT", "SOUND", "BEEP", "CLICK", "CLS", "GOTO", "GOSUB", "RETURN", "IF", "THEN", "FOR", "TO", "STEP", "NEXT",
    "DIM", "END", "REM", "LET", "AND", "OR", "NOT", "INKEY$", "RND", "TIME$", "LEFT$", "VAL", "PEEK", "INT",
    "ELSE", "ON", "WHILE", "WEND", "STOP", "DATA", "READ", "RESTORE", "INPUT", "RANDOMIZE", "MOD", "EOF", "LEN",
    "MID$", "RIGHT$", "CHR$", "ASC", "STR$", "INSTR", "UCASE$", "LCASE$", "ABS", "SGN", "SQR", "SIN", "COS", "ATN",
    "EXP", "LOG",
};

// The words a line number follows, which old listings write without a
// blank ("GOTO10"): such a name is read as the word and the number.
constexpr std::array<std::string_view, 5> linenumberwords = { "GOTO", "GOSUB", "THEN", "ELSE", "RESTORE" };

bool isletter(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

bool isdigit(char c)
{
    return c >= '0' && c <= '9';
}

char uppercase(char c)
{
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

bool iswellformedutf8(std::string_view text)
{
    for (std::size_t k = 0; k < text.size();) {
        auto byte = static_cast<unsigned char>(text[k]);
        std::size_t length = byte < 0x80 ? 1 : (byte >> 5) == 6 ? 2 : (byte >> 4) == 14 ? 3 : (byte >> 3) == 30 ? 4 : 0;
        if (length == 0 || (length == 2 && byte < 0xC2) || k + length > text.size())
            return false;
        for (std::size_t j = 1; j < length; ++j)
            if ((static_cast<unsigned char>(text[k + j]) >> 6) != 2)
                return false;
        k += length;
    }
    return true;
}

// Literals past the range of a double are infinite, or 0 when they are tiny.
double literalvalue(std::string_view literal)
{
    double value = 0;
    auto result = std::from_chars(literal.data(), literal.data() + literal.size(), value);
    if (result.ec == std::errc::result_out_of_range) {
        std::size_t exponent = literal.find_first_of("Ee");
        bool tiny = exponent != std::string_view::npos && literal.substr(exponent + 1, 1) == "-";
        value = tiny ? 0 : std::numeric_limits<double>::infinity();
    }
    return value;
}

[[noreturn]] void fail(TProgramText which, int line, const std::string& second = {})
{
    throw TVorkanaError(programtext(which, std::to_string(line), second));
}

TToken keywordtoken(std::string_view spelling)
{
    TToken token;
    token.kind = TTokenKind::keyword;
    auto keyword = std::find(keywordspellings.begin(), keywordspellings.end(), spelling);
    token.keyword = static_cast<TKeyword>(keyword - keywordspellings.begin());
    return token;
}

// The items of a DATA statement as text tokens parted by "," signs, up to
// the ":" that ends the statement or the line's end. A quoted item keeps
// everything between its quotes; a bare one is trimmed of blanks.
std::size_t tokenizedata(std::string_view text, std::size_t k, int line, std::vector<TToken>& tokens)
{
    for (;;) {
        while (k < text.size() && (text[k] == ' ' || text[k] == '\t'))
            ++k;
        TToken item;
        item.kind = TTokenKind::text;
        if (k < text.size() && text[k] == '"') {
            std::size_t close = text.find('"', k + 1);
            if (close == std::string_view::npos)
                fail(TProgramText::expected, line, "\"");
            item.text = std::string(text.substr(k + 1, close - k - 1));
            k = close + 1;
            while (k < text.size() && (text[k] == ' ' || text[k] == '\t'))
                ++k;
        } else {
            std::size_t end = text.find_first_of(",:", k);
            end = end == std::string_view::npos ? text.size() : end;
            std::string_view bare = text.substr(k, end - k);
            std::size_t last = bare.find_last_not_of(" \t");
            item.text = std::string(bare.substr(0, last == std::string_view::npos ? 0 : last + 1));
            k = end;
        }
        tokens.push_back(std::move(item));
        if (k >= text.size() || text[k] != ',')
            return k;
        TToken comma;
        comma.kind = TTokenKind::sign;
        comma.text = ",";
        tokens.push_back(std::move(comma));
        ++k;
    }
}

// The tokens after the line number, up to the line's end or a REM.
std::vector<TToken> tokenize(std::string_view text, int line)
{
    std::vector<TToken> tokens;
    std::size_t k = 0;
    while (k < text.size()) {
        char c = text[k];
        if (c == ' ' || c == '\t') {
            ++k;
            continue;
        }
        TToken token;
        if (isdigit(c) || (c == '.' && k + 1 < text.size() && isdigit(text[k + 1]))) {
            std::size_t end = k;
            while (end < text.size() && isdigit(text[end]))
                ++end;
            if (end < text.size() && text[end] == '.')
                for (++end; end < text.size() && isdigit(text[end]);)
                    ++end;
            if (end < text.size() && (text[end] == 'E' || text[end] == 'e')) {
                std::size_t exponent = end + 1;
                if (exponent < text.size() && (text[exponent] == '+' || text[exponent] == '-'))
                    ++exponent;
                if (exponent < text.size() && isdigit(text[exponent])) {
                    end = exponent;
                    while (end < text.size() && isdigit(text[end]))
                        ++end;
                }
            }
            token.kind = TTokenKind::number;
            token.number = literalvalue(text.substr(k, end - k));
            k = end;
        } else if (c == '"') {
            std::size_t close = text.find('"', k + 1);
            if (close == std::string_view::npos)
                fail(TProgramText::expected, line, "\"");
            token.kind = TTokenKind::text;
            token.text = std::string(text.substr(k + 1, close - k - 1));
            k = close + 1;
        } else if (isletter(c)) {
            std::size_t end = k;
            while (end < text.size() && (isletter(text[end]) || isdigit(text[end])))
                ++end;
            if (end < text.size() && text[end] == '$')
                ++end;
            std::string name;
            std::transform(text.begin() + static_cast<std::ptrdiff_t>(k), text.begin() + static_cast<std::ptrdiff_t>(end),
                std::back_inserter(name), uppercase);
            k = end;
            auto keyword = std::find(keywordspellings.begin(), keywordspellings.end(), name);
            if (keyword == keywordspellings.end()) {
                auto word = std::find_if(linenumberwords.begin(), linenumberwords.end(), [&](std::string_view word) {
                    return name.size() > word.size() && name.compare(0, word.size(), word) == 0
                        && std::all_of(name.begin() + static_cast<std::ptrdiff_t>(word.size()), name.end(), [](char c) { return isdigit(c); });
                });
                if (word != linenumberwords.end()) {
                    tokens.push_back(keywordtoken(*word));
                    k -= name.size() - word->size();
                    continue;
                }
                token.kind = TTokenKind::name;
                token.text = std::move(name);
            } else {
                token = keywordtoken(*keyword);
                if (token.keyword == TKeyword::REM)
                    break;
                if (token.keyword == TKeyword::DATA) {
                    tokens.push_back(std::move(token));
                    k = tokenizedata(text, k, line, tokens);
                    continue;
                }
            }
        } else {
            static constexpr std::array<std::string_view, 3> pairs = { "<>", "<=", ">=" };
            std::string_view two = text.substr(k, 2);
            if (std::find(pairs.begin(), pairs.end(), two) != pairs.end()) {
                token.text = std::string(two);
            } else if (std::string_view("()+-*/^=<>,;:#").find(c) != std::string_view::npos) {
                token.text = std::string(1, c);
            } else {
                fail(TProgramText::unknowncharacter, line, cp1250::toutf8(std::string(1, c)));
            }
            token.kind = TTokenKind::sign;
            k += token.text.size();
        }
        tokens.push_back(std::move(token));
    }
    tokens.push_back(TToken {});
    return tokens;
}

}

std::string keywordname(TKeyword keyword)
{
    return std::string(keywordspellings[static_cast<std::size_t>(keyword)]);
}

std::string sourcebytes(std::string_view raw)
{
    if (raw.substr(0, 3) == "\xEF\xBB\xBF")
        return cp1250::fromutf8(raw.substr(3));
    if (iswellformedutf8(raw))
        return cp1250::fromutf8(raw);
    return std::string(raw);
}

std::vector<TSourceLine> readsource(std::string_view raw)
{
    std::string bytes = sourcebytes(raw);
    std::vector<TSourceLine> lines;
    int row = 0;
    for (std::size_t start = 0; start < bytes.size();) {
        std::size_t end = bytes.find_first_of("\r\n", start);
        if (end == std::string::npos)
            end = bytes.size();
        std::string_view text = std::string_view(bytes).substr(start, end - start);
        ++row;
        start = end + (bytes.compare(end, 2, "\r\n") == 0 ? 2 : 1);

        std::size_t first = text.find_first_not_of(" \t");
        if (first == std::string_view::npos)
            continue;
        std::size_t digits = first;
        while (digits < text.size() && isdigit(text[digits]))
            ++digits;
        if (digits == first)
            fail(TProgramText::filerowwithoutnumber, row);
        // Leading zeros count for nothing: 00010 is line 10.
        std::string_view written = text.substr(first, digits - first);
        written.remove_prefix(std::min(written.find_first_not_of('0'), written.size() - 1));
        int number = 0;
        if (written.size() <= 5)
            std::from_chars(written.data(), written.data() + written.size(), number);
        if (number < lowestlinenumber || written.size() > 5)
            throw TVorkanaError(programtext(TProgramText::linenumberrange, std::string(written)));
        lines.push_back({ number, tokenize(text.substr(digits), number) });
    }
    std::stable_sort(lines.begin(), lines.end(), [](const auto& a, const auto& b) { return a.number < b.number; });
    auto twice = std::adjacent_find(
        lines.begin(), lines.end(), [](const auto& a, const auto& b) { return a.number == b.number; });
    if (twice != lines.end())
        fail(TProgramText::lineusedtwice, twice->number);
    return lines;
}

std::string readsourcefile(const std::string& path)
{
    std::error_code status;
    std::ifstream file;
    if (std::filesystem::is_regular_file(path, status))
        file.open(path, std::ios::binary);
    std::ostringstream content;
    if (file.is_open())
        content << file.rdbuf();
    if (!file.is_open() || file.bad())
        throw TVorkanaError(programtext(TProgramText::cannotread, path));
    return content.str();
}

bool TTokens::issign(std::string_view sign) const
{
    return peek().kind == TTokenKind::sign && peek().text == sign;
}

bool TTokens::iskeyword(TKeyword keyword) const
{
    return peek().kind == TTokenKind::keyword && peek().keyword == keyword;
}

bool TTokens::takesign(std::string_view sign)
{
    if (!issign(sign))
        return false;
    take();
    return true;
}

bool TTokens::takekeyword(TKeyword keyword)
{
    if (!iskeyword(keyword))
        return false;
    take();
    return true;
}

void TTokens::expectsign(std::string_view sign)
{
    if (!takesign(sign))
        expected(std::string(sign));
}

void TTokens::expectkeyword(TKeyword keyword)
{
    if (!takekeyword(keyword))
        expected(keywordname(keyword));
}

bool TTokens::atstatementend() const
{
    return peek().kind == TTokenKind::end || issign(":") || iskeyword(TKeyword::ELSE);
}

void TTokens::expected(const std::string& what) const
{
    fail(TProgramText::expected, m_line, what);
}

void TTokens::toocomplex() const
{
    fail(TProgramText::toocomplex, m_line);
}

void TTokens::refuse(TProgramText what, const std::string& detail) const
{
    fail(what, m_line, detail);
}
