#include "sound/quantumwatch.h"

#include <gtest/gtest.h>

namespace {

constexpr int rate = 48000;

// A graph at 64 frames a quantum, as a stream sees it: its clock, and the
// steady clock in microseconds, which a missed quantum moves on twice.
struct TGraph {
    TQuantumWatch watch;
    std::uint64_t ticks = 0;
    std::int64_t nowus = 0;
    int frames = 64;

    // Quanta played for so many seconds; true if the watch asked for longer ones.
    bool play(double seconds)
    {
        bool longer = false;
        for (std::int64_t until = nowus + std::int64_t(seconds * 1e6); nowus < until;)
            longer |= next(1);
        return longer;
    }
    // The graph misses one quantum; true if the watch asked for longer ones.
    bool miss() { return next(2); }
    bool next(int quanta)
    {
        ticks += std::uint64_t(quanta * frames);
        nowus += std::int64_t(quanta) * frames * 1000000 / rate;
        return watch.quantum(ticks, rate, frames, rate, nowus);
    }
};

}

TEST(QuantumWatchTest, AMissedQuantumAsksForLongerOnesAndAPauseAChangeOrTheStartDoNot)
{
    TGraph graph;
    // The graph's start and the first second after it skip quanta as it settles.
    EXPECT_FALSE(graph.miss());
    EXPECT_FALSE(graph.play(2));
    // Suspended for a while: the clock jumps, nothing was missed.
    graph.ticks += rate * 5;
    graph.nowus += 5000000;
    EXPECT_FALSE(graph.play(2));
    // Longer quanta: the first one moves the clock by the old quantum only,
    // and the graph settles again.
    graph.frames = 256;
    EXPECT_FALSE(graph.play(0.5));
    EXPECT_FALSE(graph.miss());
    EXPECT_FALSE(graph.play(2));
    EXPECT_TRUE(graph.miss());
    EXPECT_FALSE(graph.play(1));
}
