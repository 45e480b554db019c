#pragma once
// The signal of a setting switched from a menu: a rising pair of tones when
// it goes on, a falling pair when it goes off.

void playswitchsignal(bool switchedon);
