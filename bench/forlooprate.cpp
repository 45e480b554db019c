// The interpreter's speed against the native translation's, on two
// programs. The tightest loop a program can write: a FOR of ten million
// passes with an empty body, against the native loop through the same FOR
// helper. A string-heavy one: 100 000 strings built (joined with STR$) and
// cut (MID$, RIGHT$, INSTR, LEN), against the same work in the runtime's
// own routines. The interpreter's figures include its looks at the clock
// for the window's turn.

#include "basic/machine.h"
#include "bench/figures.h"
#include "runtime/forloop.h"
#include "runtime/functions.h"
#include "runtime/print.h"

#include <cstdio>
#include <functional>

namespace {

constexpr double passes = 10'000'000;
constexpr double strings = 100'000;

const char* const stringprogram = "10 FOR I=1 TO 100000\n"
                                  "20 S$=\"item \"+STR$(I)+\" of the list\"\n"
                                  "30 T$=MID$(S$,6,LEN(S$)-17)+RIGHT$(S$,4)\n"
                                  "40 IF INSTR(S$,\"of\")=0 THEN PRINT \"lost\"\n"
                                  "50 N=N+LEN(T$)\n"
                                  "60 NEXT I\n";

double secondsof(const std::function<void()>& work)
{
    auto start = TClock::now();
    work();
    return milliseconds(TClock::now() - start) / 1000;
}

double nativeloop()
{
    double variable = 0;
    double counted = 0;
    // The body counts, so the loop cannot be folded away.
    forloop(variable, 1, passes, 1, [&] { counted += 1; });
    if (counted != passes)
        std::fprintf(stderr, "the native loop ran %.0f passes\n", counted);
    return counted;
}

void nativestrings()
{
    double variable = 0;
    double total = 0;
    forloop(variable, 1, strings, 1, [&] {
        std::string built = "item " + numtostr(variable) + " of the list";
        std::string cut = midstr(built, 6, static_cast<double>(built.size()) - 17) + rightstr(built, 4);
        if (instr(1, built, "of") == 0)
            std::fprintf(stderr, "lost\n");
        total += static_cast<double>(cut.size());
    });
    if (total == 0)
        std::fprintf(stderr, "the native strings were empty\n");
}

struct TFigure {
    const char* name;
    double units; // passes or strings
    const char* unit;
    std::function<void()> interpreted;
    std::function<void()> native;
};

void report(const TFigure& figure)
{
    constexpr int runs = 5;
    std::vector<double> interpreted, native;
    for (int run = 0; run < runs; ++run) {
        interpreted.push_back(secondsof(figure.interpreted));
        native.push_back(secondsof(figure.native));
    }
    double interpretedrate = figure.units / median(interpreted);
    double nativerate = figure.units / median(native);
    std::printf("%s, median of %d runs\n", figure.name, runs);
    std::printf("  interpreter: %8.1f ms  %9.3f million %s/s\n", median(interpreted) * 1000, interpretedrate / 1e6,
        figure.unit);
    std::printf("  native:      %8.1f ms  %9.3f million %s/s\n", median(native) * 1000, nativerate / 1e6, figure.unit);
    std::printf("  the interpreter runs at %.1f%% of the native rate (%.1f times slower)\n",
        100 * interpretedrate / nativerate, nativerate / interpretedrate);
}

}

int main()
{
    TBasicProgram loop = loadbasic("10 FOR I=1 TO 10000000: NEXT I\n");
    TBasicProgram stringwork = loadbasic(stringprogram);
    report({ "FOR I=1 TO 10000000: NEXT I", passes, "passes", [&] { runbasic(loop); }, [] { nativeloop(); } });
    report({ "100000 strings built and cut (STR$, +, MID$, RIGHT$, INSTR, LEN)", strings, "strings",
        [&] { runbasic(stringwork); }, nativestrings });
    return 0;
}
