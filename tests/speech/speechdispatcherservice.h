#pragma once
// A speech-dispatcher of our own for the system voice's tests and
// benchmarks: started on a socket in a temporary folder, without autospawn,
// speaking with the plain espeak-ng module into the PulseAudio null sink
// this process's audio points at (TPulseNullSink), stopped by process id.
// It is started with posix_spawn, not QProcess: Qt's child shares our
// memory until it runs the program, and ThreadSanitizer then loses track of
// this process's locks.

#include <QTemporaryDir>
#include <string>
#include <sys/types.h>

class TSpeechDispatcherService {
public:
    static bool installed();

    // Starts the service and points SPEECHD_ADDRESS at it; check reason().
    TSpeechDispatcherService();
    ~TSpeechDispatcherService();

    // Empty once it takes connections.
    const std::string& reason() const { return m_reason; }
    pid_t pid() const { return m_pid; }
    bool running() const;

    // Also after it was killed: the socket and pid file it left are removed first.
    bool start();
    // Sends the signal and, unless it only stops or continues the service, waits for its end.
    void signal(int number);

private:
    QTemporaryDir m_folder;
    pid_t m_pid = 0;
    std::string m_reason;
};
