#pragma once
// A PipeWire server of our own with a null sink called ci_sink and the
// session manager that links streams to it, started headless in a private
// runtime folder this process's audio is pointed at, stopped by process id.
// There is no PulseAudio service beside it: only a native PipeWire client
// is heard.

#include <string>
#include <sys/types.h>
#include <vector>

class TPipeWireNullSink {
public:
    static bool installed();

    // Starts the server and waits until the sink is its default; check
    // running() and reason() afterwards.
    TPipeWireNullSink();
    ~TPipeWireNullSink();

    bool running() const { return m_server != 0; }
    const std::string& reason() const { return m_reason; }
    // Kills the server as a crash would, and starts it again on the same socket.
    void killserver();
    void startagain();
    // Takes the sink away, as an unplugged card, and brings one back.
    void removesink();
    void addsink();

    // Records the sink's monitor as mono floats at the rate until stoprecording.
    void startrecording(int rate);
    std::vector<float> stoprecording();

private:
    void startserver();
    void stopserver(int signal);

    std::string m_folder;
    pid_t m_server = 0;
    pid_t m_sessionmanager = 0;
    pid_t m_recorder = 0;
    std::string m_reason;
};
