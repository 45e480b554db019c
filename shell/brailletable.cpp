#include "shell/brailletable.h"

#include "runtime/codepage.h"
#include "runtime/filetexts.h"
#include "shell/textfile.h"

std::array<brlpreftype, brailleprefixslots + 1> brlprefixes;
std::uint8_t prefixcount = 0;
std::array<brlchartype, braillecharacterslots + 1> brlchars;
std::uint8_t charcount = 0;

std::string currentprefix;
std::string currentchord;

namespace {

std::pair<std::string, std::string> splitentry(const std::string& line)
{
    size_t equals = line.find('=');
    if (equals == std::string::npos)
        return { line, line };
    return { line.substr(0, equals), line.substr(equals + 1) };
}

// Dots that a chord of the six keys gives: some of 1 to 6, ascending, each
// once. An entry with any other dots is loaded but no chord ever types it,
// which the user should know.
bool ischorddots(const std::string& dots)
{
    char previous = '0';
    for (char dot : dots) {
        if (dot <= previous || dot > '6')
            return false;
        previous = dot;
    }
    return !dots.empty();
}

enum class TSectionKind { prefixes, characters, ignored };

TSectionKind sectionkind(const std::string& name)
{
    if (name == "prefixes")
        return TSectionKind::prefixes;
    if (name == "characters" || (!name.empty() && name.front() == '#'))
        return TSectionKind::characters;
    return TSectionKind::ignored;
}

}

std::string loadbrailletable(const std::string& path)
{
    std::vector<std::string> lines = readtextlines(path);
    charcount = 0;
    int prefixesignored = 0;
    int charactersignored = 0;
    TSectionKind kind = TSectionKind::ignored;
    std::string sectionprefix;
    std::string brokenlines;
    auto checkdots = [&](const std::string& dots, std::size_t number) {
        if (!ischorddots(dots))
            brokenlines += "\n" + std::to_string(number + 1) + ": " + cp1250::toutf8(lines[number]);
    };

    for (std::size_t number = 0; number < lines.size(); ++number) {
        const std::string& line = lines[number];
        if (!line.empty() && line.front() == '[') {
            std::string name = line.size() >= 2 ? line.substr(1, line.size() - 2) : std::string();
            kind = sectionkind(name);
            sectionprefix = name == "characters" ? std::string() : name;
            if (kind == TSectionKind::prefixes)
                prefixcount = 0;
            continue;
        }
        if (line.empty())
            continue;
        if (kind == TSectionKind::prefixes && line.front() == '#') {
            if (prefixcount == brailleprefixslots) {
                ++prefixesignored;
                continue;
            }
            auto [name, dots] = splitentry(line);
            checkdots(dots, number);
            brlprefixes[++prefixcount] = { name, dots };
        } else if (kind == TSectionKind::characters) {
            if (charcount == braillecharacterslots) {
                ++charactersignored;
                continue;
            }
            auto [character, dots] = splitentry(line);
            checkdots(dots, number);
            brlchars[++charcount] = { sectionprefix, character, dots };
        }
    }

    std::string message;
    if (!brokenlines.empty())
        message = filetext(TFileText::brailletablebroken, path) + brokenlines;
    if (prefixesignored > 0)
        message += std::string(message.empty() ? "" : "\n")
            + filetext(TFileText::brailletablemanyprefixes, path, std::to_string(prefixesignored));
    if (charactersignored > 0)
        message += std::string(message.empty() ? "" : "\n")
            + filetext(TFileText::brailletablemanycharacters, path, std::to_string(charactersignored));
    return message;
}

std::string decodechord(const std::string& pattern)
{
    if (pattern == " ") {
        currentprefix.clear();
        return " ";
    }
    for (int slot = 1; slot <= prefixcount; ++slot) {
        if (brlprefixes[slot].dots == pattern) {
            currentprefix = brlprefixes[slot].name;
            return {};
        }
    }
    for (int slot = 1; slot <= charcount; ++slot) {
        const brlchartype& entry = brlchars[slot];
        if (entry.dots == pattern && entry.prefix == currentprefix) {
            if (currentprefix == "#cap")
                currentprefix.clear();
            return entry.character;
        }
    }
    return {};
}

bool TBrailleKeys::anydot() const
{
    for (bool held : dot)
        if (held)
            return true;
    return false;
}

std::string chordpattern(const TBrailleKeys& keys)
{
    std::string pattern;
    for (int index = 0; index < 6; ++index)
        if (keys.dot[index])
            pattern += static_cast<char>('1' + index);
    if (pattern.empty() && keys.space)
        return " ";
    return pattern;
}

void resetbrailletable()
{
    brlprefixes.fill({});
    brlchars.fill({});
    prefixcount = 0;
    charcount = 0;
    currentprefix.clear();
    currentchord.clear();
}
