#pragma once
// SOUND, BEEP and the numbered clicks of the device, played from the sound
// bank at the user's volume; nothing sounds while device sounds are off.

#include <vector>

// Sounds the values together for the duration (milliseconds) in the timbre
// (0..9). A duration below 0 repeats the previous one, a timbre above 9
// keeps the previous one. Handles window events while the tone sounds, so a
// key can cut it short.
void sound(const std::vector<double>& values, double duration, double timbre);
void beep();
void click(double number);

// The tone timer fired: the tone's time is up.
void tonetimerexpired();
// A key went down: a sounding tone ends now.
void cuttone();

// The highest value the bank's tone waves can sound: 64 x value must stay a
// sample rate the mixer takes.
inline constexpr double highesttonevalue = 20000;
