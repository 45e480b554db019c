#pragma once
// The built-in program: the memory game ";hrapameť." translated line by line
// from its BASIC. It runs on the runtime alone and returns at its END.

void runprogram();
