#pragma once
// The running machine: one run of a read program on the runtime, as the
// Start command runs the built-in game. Everything the program prints,
// sounds and reads goes through the runtime's routines and their waits.
// GOSUB pushes the position after it; FOR runs its body at least once and
// compares exactly. A fault ends the run with an error naming the line.
// A program that runs long without waiting gives the window its turn.

#include "basic/statements.h"

// From the first statement to END or the last line. Raises the run's error
// ("line 120: division by zero") in the interface language.
void runbasic(const TBasicProgram& program);

// How often at the least a running program lets the window handle its
// events, when it does not wait by itself.
inline constexpr int windowturnms = 20;
