// The interpreter's speed on the tightest loop a program can write, a FOR
// of ten million passes with an empty body, against the native
// translation's loop through the same FOR helper. The interpreter's figure
// includes its looks at the clock for the window's turn.

#include "basic/machine.h"
#include "bench/figures.h"
#include "runtime/forloop.h"

#include <cstdio>

namespace {

constexpr double passes = 10'000'000;

double interpretedseconds()
{
    TBasicProgram program = loadbasic("10 FOR I=1 TO 10000000: NEXT I\n");
    auto start = TClock::now();
    runbasic(program);
    return milliseconds(TClock::now() - start) / 1000;
}

double nativeseconds()
{
    double variable = 0;
    double counted = 0;
    auto start = TClock::now();
    // The body counts, so the loop cannot be folded away.
    forloop(variable, 1, passes, 1, [&] { counted += 1; });
    double seconds = milliseconds(TClock::now() - start) / 1000;
    if (counted != passes)
        std::fprintf(stderr, "the native loop ran %.0f passes\n", counted);
    return seconds;
}

}

int main()
{
    constexpr int runs = 5;
    std::vector<double> interpreted, native;
    for (int run = 0; run < runs; ++run) {
        interpreted.push_back(interpretedseconds());
        native.push_back(nativeseconds());
    }
    double interpretedrate = passes / median(interpreted);
    double nativerate = passes / median(native);
    std::printf("FOR I=1 TO 10000000: NEXT I, median of %d runs\n", runs);
    std::printf("  interpreter: %8.1f ms  %7.1f million passes/s\n", median(interpreted) * 1000, interpretedrate / 1e6);
    std::printf("  native:      %8.1f ms  %7.1f million passes/s\n", median(native) * 1000, nativerate / 1e6);
    std::printf("  the interpreter runs at %.1f%% of the native rate (%.1f times slower)\n",
        100 * interpretedrate / nativerate, nativerate / interpretedrate);
    return 0;
}
