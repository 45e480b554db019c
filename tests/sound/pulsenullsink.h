#pragma once
// A PulseAudio daemon of our own with a null sink, for hearing what the
// real device path plays where there is no sound card: started in a private
// runtime folder, recorded from the sink's monitor, stopped by process id.

#include <string>
#include <sys/types.h>
#include <vector>

class TPulseNullSink {
public:
    static bool installed();

    // Starts the daemon and points this process's audio at it; check
    // running() and reason() afterwards. With VORKANA_RUNNING_SOUND_SERVER
    // set, the server the environment names is used instead; its default
    // sink must be called ci_sink.
    TPulseNullSink();
    ~TPulseNullSink();

    bool running() const { return m_daemon != 0; }
    // Kills the daemon as a crash would, and starts it again on the same
    // socket. A server the environment named is left alone.
    void killdaemon();
    void startagain();
    // The daemon stopped (SIGSTOP) or let go on again: it keeps accepting
    // connections, and answers none while stopped.
    void pause(bool paused);
    const std::string& reason() const { return m_reason; }

    // Records the sink's monitor as mono floats at the rate until stoprecording.
    void startrecording(int rate);
    std::vector<float> stoprecording();
    // The server's own buffering of our stream plus the sink's, as it reports them.
    double playbacklatencyms() const;
    // How far ahead of its own clock the null sink renders, at most: what a
    // sample leaving for its monitor has still to wait to be played.
    double sinklookaheadms() const;

private:
    void startdaemon();

    std::string m_folder;
    pid_t m_daemon = 0;
    pid_t m_recorder = 0;
    std::string m_recording;
    std::string m_reason;
};

// Sounding stretches of a recording: where the level in 5 ms windows
// rises above the threshold, and how long it stays.
struct TSoundingStretch {
    double startms;
    double lengthms;
    std::vector<float> samples;
};
std::vector<TSoundingStretch> soundingstretches(const std::vector<float>& recording, int rate, float threshold);
