#pragma once
// The sound volume slider's scale: positions 0..100, linear in decibels,
// one position per decibel; 100 is full level, 0 silence.

inline int sliderposition(int soundvolume)
{
    return (soundvolume + 10000) / 100;
}

inline int slidervolume(int position)
{
    return position * 100 - 10000;
}
