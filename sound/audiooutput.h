#pragma once
// The device end of the mixer: something that asks for blocks of mono float
// frames at its own pace, on its own thread. Implementations: the SDL device
// and the silent clock-paced stand-in.

#include <functional>

class TAudioOutput {
public:
    // Fills the block; called on the output's thread only.
    using TRenderer = std::function<void(float* output, int frames)>;

    virtual ~TAudioOutput() = default;

    virtual int rate() const = 0;
    virtual int blockframes() const = 0;
    // Frames between rendering a frame and hearing it.
    virtual int latencyframes() const = 0;
    // Begins asking for blocks; called once.
    virtual void start(TRenderer renderer) = 0;
    // No block is asked for once this returns; never throws.
    virtual void close() noexcept = 0;
};
