#pragma once
// Watches the quanta a graph asks a stream for and tells when the stream
// should ask for longer ones. A graph that misses a quantum (an xrun: its
// clock moves on by more than the last quantum lasted) plays silence in its
// place, a click the listener hears. Small quanta cut sound fast, but a
// machine that cannot wake in time for them (a virtual machine, a busy
// kernel) misses one every few seconds, so the first miss is reason enough:
// each one after it would click, while a few milliseconds more to a cut
// are not heard.

#include <cstdint>
#include <optional>

class TQuantumWatch {
public:
    // A quantum the graph asks for: the graph's clock (ticks at tickrate per
    // second) at its start, the frames it asks for at framerate, and when,
    // by the steady clock. True when the graph missed the quantum before.
    bool quantum(std::uint64_t ticks, int tickrate, int frames, int framerate, std::int64_t nowus);

    // A graph that has just started, or changed its quantum, skips a
    // quantum or two doing so: not counted for this long.
    static constexpr std::int64_t settleus = 1000000;

private:
    std::optional<std::uint64_t> m_expected; // the ticks the next quantum should start at
    int m_lastframes = 0;
    std::int64_t m_lastus = 0;
    std::int64_t m_settleduntilus = 0;
};
