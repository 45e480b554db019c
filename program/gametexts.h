#pragma once
// Everything the memory game says, in the Windows-1250 bytes the device
// prints. The texts are Slovak written for a Czech voice, with the
// punctuation the device uses for pauses (";") and spelled letters (",c,").

#include <string>

struct TGameTexts {
    std::string goodday, goodmorning, goodevening;
    std::string title, codesoffer;
    std::string codes, codea, codespace, codec, codet, codez, codesagain;
    std::string wantrules, shortrules, rules1, rules2, rules3, rules4;
    std::string tonesoverview, tonenumber, repeattones;
    std::string soundsoverview, soundnumber, repeatsounds, keyboardadvice, rulesagain;
    std::string choosegame, codesreminder, chosengame, chosentones, chosensounds, chosennumbers;
    std::string starting, adding, writenumber, writenumbers, oftone, ofsound, oftones, ofsounds;
    std::string wrong, correct, exhausted, rightanswer, correctcount;
    std::string recordequalled, newrecord, timeis, wanttocontinue, gamecount, goodbye;
    std::string pause, comma;
};

// Converted once, on first use.
const TGameTexts& gametexts();
