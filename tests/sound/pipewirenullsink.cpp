#include "tests/sound/pipewirenullsink.h"

#include "tests/sound/childprocess.h"

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <thread>
#include <unistd.h>

namespace {

using namespace std::chrono_literals;

bool sinkisdefault()
{
    std::string text;
    if (FILE* pipe = popen("pw-metadata -n default 0 default.audio.sink 2>/dev/null", "r")) {
        char buffer[1024];
        while (std::size_t read = std::fread(buffer, 1, sizeof buffer, pipe))
            text.append(buffer, read);
        pclose(pipe);
    }
    return text.find("ci_sink") != std::string::npos;
}

const char* const sinkproperties = "factory.name = support.null-audio-sink node.name = \"ci_sink\" "
                                   "media.class = \"Audio/Sink\" audio.position = [ FL FR ] audio.rate = 48000 "
                                   "monitor.channel-volumes = true object.linger = true";

// The samples of a float WAV file as pw-record writes it.
std::vector<float> wavsamples(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    std::string whole((std::istreambuf_iterator<char>(file)), {});
    std::vector<float> samples;
    for (std::size_t chunk = 12; chunk + 8 <= whole.size();) {
        std::uint32_t size = 0;
        std::memcpy(&size, whole.data() + chunk + 4, sizeof size);
        if (whole.compare(chunk, 4, "data") == 0) {
            // A recorder stopped by a signal may leave the size unwritten.
            std::size_t length = std::min<std::size_t>(whole.size() - chunk - 8, size ? size : whole.size());
            samples.resize(length / sizeof(float));
            std::memcpy(samples.data(), whole.data() + chunk + 8, samples.size() * sizeof(float));
            break;
        }
        chunk += 8 + size + (size & 1);
    }
    return samples;
}

}

bool TPipeWireNullSink::installed()
{
    return run({ "sh", "-c",
               "{ command -v pipewire && command -v wireplumber && command -v dbus-run-session && command -v pw-record "
               "&& command -v pw-metadata; } >/dev/null" })
        == 0;
}

TPipeWireNullSink::TPipeWireNullSink()
{
    char pattern[] = "/tmp/vorkana-pipewire-XXXXXX";
    if (!mkdtemp(pattern)) {
        m_reason = "no temporary folder";
        return;
    }
    m_folder = pattern;
    setenv("XDG_RUNTIME_DIR", m_folder.c_str(), 1);
    setenv("XDG_CONFIG_HOME", (m_folder + "/config").c_str(), 1);
    setenv("HOME", m_folder.c_str(), 1); // the session manager keeps its state there
    for (const char* name : { "PIPEWIRE_RUNTIME_DIR", "PIPEWIRE_REMOTE", "PULSE_SERVER", "DBUS_SESSION_BUS_ADDRESS" })
        unsetenv(name);
    std::filesystem::create_directories(m_folder + "/config/pipewire/pipewire.conf.d");
    std::ofstream(m_folder + "/config/pipewire/pipewire.conf.d/null-sink.conf")
        << "context.objects = [ { factory = adapter args = { " << sinkproperties << " } } ]\n";
    startserver();
}

void TPipeWireNullSink::startserver()
{
    m_server = spawn({ "sh", "-c", "exec pipewire >/dev/null 2>&1" });
    for (int tries = 0; tries < 100 && !std::filesystem::exists(m_folder + "/pipewire-0"); ++tries)
        std::this_thread::sleep_for(20ms);
    // The session manager wants a session bus of its own.
    m_sessionmanager = spawn({ "sh", "-c", "exec dbus-run-session -- wireplumber >/dev/null 2>&1" });
    for (int tries = 0; tries < 100 && !sinkisdefault(); ++tries)
        std::this_thread::sleep_for(50ms);
    if (m_server <= 0 || !sinkisdefault()) {
        stopserver(SIGKILL);
        m_reason = "pipewire and wireplumber did not start with the null sink";
    }
}

void TPipeWireNullSink::stopserver(int signal)
{
    // The bus daemon that dbus-run-session started goes with it.
    for (pid_t* pid : { &m_sessionmanager, &m_server }) {
        if (*pid <= 0)
            continue;
        run({ "pkill", "-" + std::to_string(signal), "-P", std::to_string(*pid) });
        kill(*pid, signal);
        waitpid(*pid, nullptr, 0);
        *pid = 0;
    }
}

void TPipeWireNullSink::killserver()
{
    stopserver(SIGKILL);
    std::filesystem::remove(m_folder + "/pipewire-0");
    std::filesystem::remove(m_folder + "/pipewire-0.lock");
}

void TPipeWireNullSink::startagain()
{
    killserver();
    startserver();
}

void TPipeWireNullSink::removesink()
{
    run({ "sh", "-c", "pw-cli destroy ci_sink >/dev/null" });
}

void TPipeWireNullSink::addsink()
{
    run({ "sh", "-c", std::string("pw-cli create-node adapter '{ ") + sinkproperties + " }' >/dev/null" });
    for (int tries = 0; tries < 100 && !sinkisdefault(); ++tries)
        std::this_thread::sleep_for(50ms);
}

TPipeWireNullSink::~TPipeWireNullSink()
{
    if (m_recorder > 0)
        stoprecording();
    stopserver(SIGTERM);
    if (!m_folder.empty()) {
        std::error_code ignored;
        std::filesystem::remove_all(m_folder, ignored);
    }
}

void TPipeWireNullSink::startrecording(int rate)
{
    m_recorder = spawn({ "pw-record", "--target", "ci_sink", "-P", "{ stream.capture.sink = true }",
        "--rate", std::to_string(rate), "--channels", "1", "--format", "f32", m_folder + "/recording.wav" });
    // The recorder needs a moment to be linked before anything worth hearing plays.
    std::this_thread::sleep_for(300ms);
}

std::vector<float> TPipeWireNullSink::stoprecording()
{
    std::this_thread::sleep_for(200ms);
    if (m_recorder > 0) {
        kill(m_recorder, SIGINT);
        waitpid(m_recorder, nullptr, 0);
        m_recorder = 0;
    }
    return wavsamples(m_folder + "/recording.wav");
}
