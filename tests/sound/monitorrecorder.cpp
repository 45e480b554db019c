#include "tests/sound/monitorrecorder.h"

#include <pulse/error.h>
#include <pulse/simple.h>

#include <algorithm>

TMonitorRecorder::TMonitorRecorder(const std::string& source, int rate)
    : m_rate(rate)
{
    pa_sample_spec format {};
    format.format = PA_SAMPLE_FLOAT32LE;
    format.rate = static_cast<std::uint32_t>(rate);
    format.channels = 1;
    // Fragments of a millisecond: a sample is handed over at most that long
    // after the server has it, so its arrival time here is close to when it
    // left the sink.
    pa_buffer_attr buffering {};
    buffering.maxlength = static_cast<std::uint32_t>(-1);
    buffering.fragsize = static_cast<std::uint32_t>(rate / 1000 * sizeof(float));
    int error = 0;
    m_stream = pa_simple_new(nullptr, "sound figures", PA_STREAM_RECORD, source.c_str(), "monitor", &format, nullptr,
        &buffering, &error);
    if (!m_stream) {
        m_reason = pa_strerror(error);
        return;
    }
    m_reading = true;
    m_thread = std::thread([this] { readloop(); });
}

TMonitorRecorder::~TMonitorRecorder()
{
    stop();
}

void TMonitorRecorder::stop()
{
    m_reading = false;
    if (m_thread.joinable())
        m_thread.join();
    if (m_stream) {
        pa_simple_free(m_stream);
        m_stream = nullptr;
    }
}

void TMonitorRecorder::readloop()
{
    std::vector<float> block(static_cast<std::size_t>(m_rate / 1000));
    while (m_reading) {
        int error = 0;
        if (pa_simple_read(m_stream, block.data(), block.size() * sizeof(float), &error) < 0) {
            m_reason = pa_strerror(error);
            return;
        }
        auto arrived = TClock::now();
        std::lock_guard guard(m_lock);
        m_samples.insert(m_samples.end(), block.begin(), block.end());
        m_reads.push_back({ m_samples.size(), arrived });
    }
}

TMonitorRecorder::TClock::time_point TMonitorRecorder::arrival(std::size_t sample) const
{
    auto read = std::upper_bound(m_reads.begin(), m_reads.end(), sample,
        [](std::size_t wanted, const TRead& candidate) { return wanted < candidate.end; });
    return read == m_reads.end() ? TClock::time_point::max() : read->arrived;
}

std::size_t TMonitorRecorder::recorded() const
{
    std::lock_guard guard(m_lock);
    return m_samples.size();
}

std::vector<float> TMonitorRecorder::copy(std::size_t from) const
{
    std::lock_guard guard(m_lock);
    if (from >= m_samples.size())
        return {};
    return std::vector<float>(m_samples.begin() + long(from), m_samples.end());
}
