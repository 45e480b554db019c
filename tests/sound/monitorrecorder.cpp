#include "tests/sound/monitorrecorder.h"

#include <pipewire/pipewire.h>
#include <pulse/error.h>
#include <pulse/simple.h>

#include <spa/param/audio/format-utils.h>

#include <algorithm>
#include <chrono>
#include <mutex>
#include <thread>

struct TMonitorRecorder::TPipeWireCapture {
    TMonitorRecorder* recorder = nullptr;
    pw_thread_loop* loop = nullptr;
    pw_context* context = nullptr;
    pw_core* core = nullptr;
    pw_stream* stream = nullptr;
    spa_hook listener {};
    pw_stream_events events {};

    ~TPipeWireCapture()
    {
        if (loop)
            pw_thread_loop_stop(loop);
        if (stream)
            pw_stream_destroy(stream);
        if (core)
            pw_core_disconnect(core);
        if (context)
            pw_context_destroy(context);
        if (loop)
            pw_thread_loop_destroy(loop);
    }
};

bool TMonitorRecorder::capturepipewire(const std::string& sink, int quantum)
{
    static std::once_flag initialised;
    std::call_once(initialised, [] { pw_init(nullptr, nullptr); });
    auto capture = std::make_unique<TPipeWireCapture>();
    capture->recorder = this;
    capture->loop = pw_thread_loop_new("monitor", nullptr);
    if (!capture->loop)
        return false;
    capture->context = pw_context_new(pw_thread_loop_get_loop(capture->loop), nullptr, 0);
    if (!capture->context || pw_thread_loop_start(capture->loop) < 0)
        return false;
    pw_thread_loop_lock(capture->loop);
    capture->core = pw_context_connect(capture->context, nullptr, 0);
    if (capture->core) {
        pw_properties* properties = pw_properties_new(PW_KEY_MEDIA_TYPE, "Audio", PW_KEY_MEDIA_CATEGORY, "Capture",
            PW_KEY_STREAM_CAPTURE_SINK, "true", "target.object", sink.c_str(), nullptr);
        pw_properties_setf(properties, PW_KEY_NODE_LATENCY, "%d/%d", quantum, m_rate);
        capture->stream = pw_stream_new(capture->core, "sound figures", properties);
    }
    if (capture->stream) {
        capture->events.version = PW_VERSION_STREAM_EVENTS;
        capture->events.process = [](void* self) {
            auto capture = static_cast<TPipeWireCapture*>(self);
            pw_stream* stream = capture->stream;
            pw_buffer* buffer = pw_stream_dequeue_buffer(stream);
            if (!buffer)
                return;
            const spa_data& data = buffer->buffer->datas[0];
            if (data.data && data.chunk)
                capture->recorder->arrived(reinterpret_cast<const float*>(static_cast<const char*>(data.data) + data.chunk->offset),
                    data.chunk->size / sizeof(float));
            pw_stream_queue_buffer(stream, buffer);
        };
        pw_stream_add_listener(capture->stream, &capture->listener, &capture->events, capture.get());
        std::uint8_t space[1024];
        spa_pod_builder builder {};
        spa_pod_builder_init(&builder, space, sizeof space);
        spa_audio_info_raw format {};
        format.format = SPA_AUDIO_FORMAT_F32;
        format.rate = static_cast<std::uint32_t>(m_rate);
        format.channels = 1;
        format.position[0] = SPA_AUDIO_CHANNEL_MONO;
        const spa_pod* parameters[] = { spa_format_audio_raw_build(&builder, SPA_PARAM_EnumFormat, &format) };
        auto flags = pw_stream_flags(PW_STREAM_FLAG_AUTOCONNECT | PW_STREAM_FLAG_MAP_BUFFERS | PW_STREAM_FLAG_RT_PROCESS);
        if (pw_stream_connect(capture->stream, PW_DIRECTION_INPUT, PW_ID_ANY, flags, parameters, 1) < 0) {
            pw_stream_destroy(capture->stream);
            capture->stream = nullptr;
        }
    }
    pw_thread_loop_unlock(capture->loop);
    if (!capture->stream)
        return false;
    m_pipewire = std::move(capture);
    // Linked and reading before anything worth hearing plays.
    for (int tries = 0; tries < 200 && recorded() == 0; ++tries)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return true;
}

void TMonitorRecorder::arrived(const float* samples, std::size_t count)
{
    auto arrived = TClock::now();
    std::lock_guard guard(m_lock);
    m_samples.insert(m_samples.end(), samples, samples + count);
    m_reads.push_back({ m_samples.size(), arrived });
}

TMonitorRecorder::TMonitorRecorder(const std::string& source, int rate, int quantum)
    : m_rate(rate)
{
    const std::string monitor = ".monitor";
    if (source.ends_with(monitor) && capturepipewire(source.substr(0, source.size() - monitor.size()), quantum))
        return;
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
    // The capture ends before it is forgotten: running() holds meanwhile.
    if (m_pipewire)
        std::unique_ptr<TPipeWireCapture>(m_pipewire.release()).reset();
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
        arrived(block.data(), block.size());
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
