#pragma once
// The frame of one run of the built-in program, between the menu handling
// of the Start command (which disables and re-enables the menus and
// prepares the voice) and the program itself.

#include <functional>

// Resets what each run starts from: the tone memory and the cursor column.
// The cursor row and the screen stay, so a new run prints on where the last
// one stopped.
void initruntime();

// Opens "data.dta" when present, marks the program started, resets the
// runtime, runs the program, prints and speaks the ready text and closes
// "data.dta" again, also when the program ends with an error.
void runstart(const std::function<void()>& program);

// Whether "data.dta" is open (only during a run).
bool datafileopen();
