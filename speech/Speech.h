#pragma once
// The notification sink of the own engine: the engine tells it, on the GUI
// thread, when the audio of queued text starts and when it stops, and the
// sink keeps ttsvar.ttsplaying. Shared by the engines it is registered with.

class TTTSNotifySink {
public:
    virtual ~TTTSNotifySink() = default;

    virtual void AttribChanged() { }
    virtual void AudioStart();
    virtual void AudioStop();
    virtual void Visual() { }
};
