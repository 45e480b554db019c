#pragma once
// Volumes are hundredths of a decibel: 0 full level, -10000 and below
// silence; above 0 there is no gain to add.

#include <cmath>

inline float volumegain(int hundredthsofdecibel)
{
    if (hundredthsofdecibel <= -10000)
        return 0.0f;
    if (hundredthsofdecibel >= 0)
        return 1.0f;
    return static_cast<float>(std::pow(10.0, hundredthsofdecibel / 2000.0));
}
