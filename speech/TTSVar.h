#pragma once
// The speech layer's own cells: whether the own engine reports audio, whether
// a system-voice utterance is in progress, and the characters that end a word
// when a screen or an input line is read word by word. The switches that say
// which engine may speak live in runtime/cells.h.

#include <cstddef>
#include <set>
#include <string>

struct TTTSVar {
    bool ttsplaying = false;    // set by AudioStart, cleared by AudioStop
    bool streamrunning = false; // set before a system-voice text, cleared at its end
    std::set<char> worddelimiters;
};

extern TTTSVar ttsvar;

// Back to the start-up values (all clear, no delimiters yet).
void resetttsvar();

// Carriage return, space and comma.
void fillworddelimiters();

// The word read aloud at a position of a text (Windows-1250): the
// characters from there up to the first word delimiter or the end, however
// long the text.
std::string wordat(const std::string& text, std::size_t position);

// Whether the key echo treats the Windows-1250 character as a capital:
// A to Z, and the capitals of the Czech and Slovak letters.
bool iscapital(char character);
