#pragma once
// The texts about the user's own BASIC programs, in the interface language:
// the Open command and its dialog, and what the interpreter says when a
// program cannot be read, is not well formed, or fails while it runs. The
// interpreter raises them; the shell shows and speaks them.

#include <string>

enum class TProgramText {
    opencommand,
    opentitle,
    openfilter,
    cannotread, // %1 the file
    // Errors in a program; %1 is the program's line number.
    expected, // %2 what was expected
    filerowwithoutnumber, // %1 is the row of the file
    unknowncharacter, // %2 the character
    nosuchline, // %2 the line jumped to
    lineusedtwice,
    returnwithoutgosub,
    nextwithoutfor,
    indexoutofrange,
    divisionbyzero,
    gosubtoodeep,
    stringtoolong,
    arraytoolarge,
    arraydimensioned,
    outofmemory,
    toocomplex,
    failedinline, // %2 the error of the runtime
    // What a syntax error names as expected, besides keywords and signs.
    anexpression,
    anumber,
    astring,
    avariable,
    alinenumber,
    astatement,
    endofstatement,
    // More errors in a program; %1 is the program's line number.
    linenumberrange,
    unknownstatement, // %2 the word
    elsewithoutif,
    whilewithoutwend,
    wendwithoutwhile,
    outofdata,
    notanumbervalue, // %2 the text read
    numbertoolarge,
    notanumber,
    badargument, // %2 the function
    nodatafile, // %2 where it was looked for
    toofewvalues,
    // Said to the user while a program runs.
    stopped, // %1 the line
    enteranumber,
    entervalues, // %1 how many
    endofdatafile, // %1 the program's line, %2 the file
    nolineinput,
    // What a runtime routine tells the line's error (failedinline).
    noclick, // %1 the click's number
    valcannotread, // %1 the text
};

// The text in the interface language, UTF-8, with %1 and %2 filled in.
std::string programtext(TProgramText which, const std::string& first = {}, const std::string& second = {});
