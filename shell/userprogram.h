#pragma once
// What the Start command runs: the built-in memory game, or a BASIC
// program of the user's chosen with Open… or on the command line. The file
// is read and checked when it is chosen, so a syntax error is told at once,
// and again before each Start, so the user's edits count. Telling the user
// is the window's part.

#include <string>

// Reads and checks the file and makes it what Start runs, with the
// "data.dta" beside it. Raises the error (the file cannot be read; a line
// and what was expected there) and keeps the previous choice then.
void chooseprogramfile(const std::string& path);

// The chosen file's name without its folder; empty while the game is chosen.
std::string chosenprogramname();

// The chosen file read and checked again; raises what is wrong with it.
// Nothing while the game is chosen.
void rereadchosenprogram();

// The chosen program as last read, or the built-in game while none is chosen.
void runchosenprogram();

// Back to the built-in game.
void forgetchosenprogram();
