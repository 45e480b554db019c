#pragma once
// The mixer's speech input: the own speech engine writes its samples here,
// so speech and tones share one device and one clock. Every function may be
// called from any thread.

#include <cstddef>
#include <cstdint>
#include <functional>

class TSpeechStream {
public:
    virtual ~TSpeechStream() = default;

    // Queues mono 16-bit samples at the given rate; they are resampled to the
    // device rate and heard after what is already queued.
    virtual void write(const std::int16_t* samples, std::size_t count, int rate) = 0;
    // The text written so far is complete: the resampler gives up what it
    // still holds of its end, so the end is heard with it and not before the
    // next text. Returns how many samples that added to the queue, with
    // those of the text's beginning held back until now.
    virtual std::size_t flush() = 0;
    // Drops everything queued and not yet heard, at once (with a fade of a
    // millisecond or two so the cut does not click).
    virtual void clear() = 0;
    // Called on the audio thread each time the last queued sample has been
    // heard (the queue ran dry after a write). Set before the first write.
    virtual void setdrainedcallback(std::function<void()> drained) = 0;
};
