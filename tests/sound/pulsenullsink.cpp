#include "tests/sound/pulsenullsink.h"

#include "tests/sound/childprocess.h"

#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

std::string output(const std::string& command)
{
    std::string text;
    if (FILE* pipe = popen(command.c_str(), "r")) {
        char buffer[4096];
        while (std::size_t read = std::fread(buffer, 1, sizeof buffer, pipe))
            text.append(buffer, read);
        pclose(pipe);
    }
    return text;
}

}

bool TPulseNullSink::installed()
{
    return run({ "sh", "-c", "command -v pulseaudio >/dev/null && command -v parecord >/dev/null" }) == 0;
}

TPulseNullSink::TPulseNullSink()
{
    // A server already running with a sink of that name (PipeWire's, for
    // the benchmarks) is used as it is.
    if (const char* running = std::getenv("VORKANA_RUNNING_SOUND_SERVER"); running && *running) {
        m_daemon = -1;
        return;
    }
    char pattern[] = "/tmp/vorkana-pulse-XXXXXX";
    if (!mkdtemp(pattern)) {
        m_reason = "no temporary folder";
        return;
    }
    m_folder = pattern;
    setenv("XDG_RUNTIME_DIR", m_folder.c_str(), 1);
    setenv("HOME", m_folder.c_str(), 1); // the daemon keeps its cookie and state there
    unsetenv("PULSE_SERVER");
    // A PipeWire server the environment names would be chosen over this one.
    unsetenv("PIPEWIRE_RUNTIME_DIR");
    unsetenv("PIPEWIRE_REMOTE");
    startdaemon();
}

void TPulseNullSink::startdaemon()
{
    int status = run({ "pulseaudio", "--daemonize=yes", "--exit-idle-time=-1", "-n", "--disable-shm=yes",
        "--load=module-native-protocol-unix", "--load=module-null-sink sink_name=ci_sink",
        "--log-target=file:" + m_folder + "/pulse.log" });
    m_daemon = 0;
    std::ifstream pidfile(m_folder + "/pulse/pid");
    pidfile >> m_daemon;
    if (status != 0 || m_daemon <= 0) {
        m_daemon = 0;
        m_reason = "pulseaudio did not start (status " + std::to_string(status) + ")";
        return;
    }
    run({ "pactl", "set-default-sink", "ci_sink" });
}

void TPulseNullSink::killdaemon()
{
    if (m_daemon <= 0)
        return;
    kill(m_daemon, SIGKILL);
    for (int tries = 0; tries < 250 && kill(m_daemon, 0) == 0; ++tries)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    m_daemon = 0;
}

void TPulseNullSink::startagain()
{
    if (m_daemon < 0 || m_folder.empty())
        return;
    killdaemon();
    startdaemon();
}

TPulseNullSink::~TPulseNullSink()
{
    if (m_recorder > 0)
        stoprecording();
    if (m_daemon > 0) {
        // A daemon a failed test left stopped would never hear the signal.
        kill(m_daemon, SIGCONT);
        kill(m_daemon, SIGTERM);
        for (int tries = 0; tries < 100 && kill(m_daemon, 0) == 0; ++tries)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    if (!m_folder.empty()) {
        std::error_code ignored;
        std::filesystem::remove_all(m_folder, ignored);
    }
}

void TPulseNullSink::startrecording(int rate)
{
    m_recording = m_folder + "/recording.raw";
    m_recorder = spawn({ "parecord", "--raw", "--device=ci_sink.monitor", "--format=float32le",
        "--rate=" + std::to_string(rate), "--channels=1", "--latency-msec=10", m_recording });
    // The recorder needs a moment to connect before anything worth hearing plays.
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
}

std::vector<float> TPulseNullSink::stoprecording()
{
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    if (m_recorder > 0) {
        kill(m_recorder, SIGINT);
        waitpid(m_recorder, nullptr, 0);
        m_recorder = 0;
    }
    std::ifstream file(m_recording, std::ios::binary);
    std::vector<float> samples;
    float sample;
    while (file.read(reinterpret_cast<char*>(&sample), sizeof sample))
        samples.push_back(sample);
    return samples;
}

double TPulseNullSink::playbacklatencyms() const
{
    // Our stream's buffer and the sink's latency, in microseconds.
    std::string listing = output("pactl list sink-inputs 2>/dev/null");
    double total = 0;
    std::regex latency("(Buffer|Sink) Latency: ([0-9]+) usec");
    for (auto match = std::sregex_iterator(listing.begin(), listing.end(), latency); match != std::sregex_iterator(); ++match)
        total += std::stod((*match)[2]) / 1000;
    return total;
}

double TPulseNullSink::sinklookaheadms() const
{
    std::string listing = output("pactl list sinks 2>/dev/null");
    std::smatch match;
    if (!std::regex_search(listing, match, std::regex("Latency: [0-9]+ usec, configured ([0-9]+) usec")))
        return 0;
    return std::stod(match[1]) / 1000;
}

std::vector<TSoundingStretch> soundingstretches(const std::vector<float>& recording, int rate, float threshold)
{
    std::vector<TSoundingStretch> stretches;
    // Sample by sample with a short hold, so the edges are exact to a sample
    // and a zero crossing inside the tone does not split it.
    const std::size_t hold = static_cast<std::size_t>(rate / 200);
    std::size_t quietfor = hold;
    std::size_t start = 0;
    bool sounding = false;
    for (std::size_t n = 0; n <= recording.size(); ++n) {
        bool loud = n < recording.size() && std::abs(recording[n]) > threshold;
        if (loud) {
            if (!sounding) {
                sounding = true;
                start = n;
            }
            quietfor = 0;
        } else if (sounding && ++quietfor >= hold) {
            std::size_t end = n + 1 - quietfor;
            stretches.push_back({ 1000.0 * double(start) / rate, 1000.0 * double(end - start) / rate,
                std::vector<float>(recording.begin() + long(start), recording.begin() + long(end)) });
            sounding = false;
        }
    }
    return stretches;
}

void TPulseNullSink::pause(bool paused)
{
    if (m_daemon != 0)
        ::kill(m_daemon, paused ? SIGSTOP : SIGCONT);
}
