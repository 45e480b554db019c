#pragma once
// The device end of the mixer: it pulls rendered frames at its own pace, on
// its own thread, and tells the mixer which frame is being heard.
// Implementations: a sound server stream that can take back what it was
// given, and the silent clock-paced stand-in.

class TMixer;

class TAudioOutput {
public:
    virtual ~TAudioOutput() = default;

    virtual int rate() const = 0;
    // How far after the frame heard now a command is placed.
    virtual int leadframes() const = 0;
    // How far back the output may rewind the mixer; 0 if it never does.
    virtual int historyframes() const = 0;
    // How far ahead of the listener the server may already have mixed what
    // it was given. A rewind takes such audio back from the listener, but not
    // from a sink that cannot rewind, nor from its first rendering.
    virtual int renderaheadframes() const { return 0; }
    // Begins pulling from the mixer; called once, after the mixer is configured.
    virtual void start(TMixer& mixer) = 0;
    // Nothing is pulled once this returns; never throws.
    virtual void close() noexcept = 0;
};
