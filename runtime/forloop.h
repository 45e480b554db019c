#pragma once
// FOR … TO … STEP / NEXT: the body runs once before the first test, and the
// test compares exactly, upward for a step of 0 or more, downward below
// that. The translated game loops through forloop; the interpreter's NEXT
// asks forcontinues, so both count alike.

#include <functional>

inline bool forcontinues(double variable, double last, double step)
{
    return step >= 0 ? variable <= last : variable >= last;
}

inline void forloop(double& variable, double first, double last, double step, const std::function<void()>& body)
{
    variable = first;
    do {
        body();
        variable += step;
    } while (forcontinues(variable, last, step));
}
