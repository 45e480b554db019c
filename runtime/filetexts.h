#pragma once
// What the user is told when one of the program's own files (the device
// memory, the settings, the sound bank, the Braille table, the character
// names) cannot be read or written: texts of our own in the interface
// language, naming the file by its full path and what is wrong with it.
// The file modules raise or tell them; they do not decide how.

#include <string>

enum class TFileText {
    ramnotsaved, // %1 the file, %2 why
    ramnotread, // %1 the file, %2 why
    ramwronglength, // %1 the file, %2 its length
    settingsnotsaved, // %1 the file, %2 why
    settingsnotread, // %1 the file
    settingsnotnumbers, // %1 the file; the values follow, a line each
    soundbankdamaged, // %1 the file, %2 what is wrong
    soundbanknotread, // %1 the file, %2 why
    brailletablebroken, // %1 the file; the lines follow
    characternamesbroken, // %1 the file, %2 the line
    brailletablemanyprefixes, // %1 the file, %2 how many are left out
    brailletablemanycharacters, // %1 the file, %2 how many are left out
    characternamesmany, // %1 the file, %2 how many are left out
    nowave, // %1 the wave's name
    // What is wrong, for %2.
    notasoundbank,
    endstooearly,
    wrongvalue,
    diskfull,
    notallowed,
    readonlydisk,
    nofolder,
};

// The text in the interface language, UTF-8, with %1 and %2 filled in.
std::string filetext(TFileText which, const std::string& first = {}, const std::string& second = {});
// Why a file call failed, for %2: our words for the usual causes, the
// system's for the rest.
std::string filefailure(int error);
