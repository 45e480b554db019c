#include "tests/sound/pipesink.h"

#include "tests/sound/childprocess.h"

#include <algorithm>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

TPipeSink::TPipeSink(int pipebytes, int rate)
    : m_rate(rate)
    , m_pipebytes(pipebytes)
{
    char pattern[] = "/tmp/vorkana-pipe-XXXXXX";
    if (!mkdtemp(pattern)) {
        m_reason = "no temporary folder";
        return;
    }
    m_folder = pattern;
    const std::string fifo = m_folder + "/sink";
    // The size is set before the sink opens the pipe, which takes it for
    // its latency then.
    if (mkfifo(fifo.c_str(), 0600) != 0 || (m_pipe = open(fifo.c_str(), O_RDONLY | O_NONBLOCK)) < 0
        || fcntl(m_pipe, F_SETPIPE_SZ, pipebytes) != pipebytes) {
        m_reason = "no pipe of that size";
        return;
    }
    m_loaded = run({ "pactl", "load-module", "module-pipe-sink", "file=" + fifo, "sink_name=pipe_sink",
                       "format=float32le", "rate=" + std::to_string(rate), "channels=1" })
        == 0;
    if (!m_loaded || run({ "pactl", "set-default-sink", "pipe_sink" }) != 0) {
        m_reason = "the pipe sink did not load";
        return;
    }
    m_reader = std::thread([this] { take(); });
}

TPipeSink::~TPipeSink()
{
    stop();
    if (m_loaded) {
        run({ "pactl", "set-default-sink", "ci_sink" });
        run({ "pactl", "unload-module", "module-pipe-sink" });
    }
    if (m_pipe >= 0)
        close(m_pipe);
    if (!m_folder.empty())
        std::filesystem::remove_all(m_folder);
}

void TPipeSink::take()
{
    const std::size_t millisecond = std::size_t(m_rate / 1000);
    std::vector<float> chunk(millisecond);
    const auto start = TClock::now();
    std::size_t due = 0;
    while (m_taking) {
        due += millisecond;
        std::this_thread::sleep_until(start + std::chrono::microseconds(1000 * (due / millisecond)));
        while (m_samples.size() < due) {
            std::size_t wanted = std::min(chunk.size(), due - m_samples.size());
            ssize_t got = read(m_pipe, chunk.data(), wanted * sizeof(float));
            if (got <= 0)
                break;
            m_samples.insert(m_samples.end(), chunk.begin(), chunk.begin() + got / long(sizeof(float)));
        }
        m_takenat.resize((m_samples.size() + millisecond - 1) / millisecond, TClock::now());
    }
}

void TPipeSink::stop()
{
    m_taking = false;
    if (m_reader.joinable())
        m_reader.join();
}

TPipeSink::TClock::time_point TPipeSink::taken(std::size_t sample) const
{
    std::size_t index = sample / std::size_t(m_rate / 1000);
    return m_takenat.empty() ? TClock::time_point {} : m_takenat[std::min(index, m_takenat.size() - 1)];
}
