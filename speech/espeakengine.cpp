#include "speech/espeakengine.h"

#include "runtime/codepage.h"

#include <espeak-ng/espeak_ng.h>
#include <espeak-ng/speak_lib.h>

#include <QCoreApplication>
#include <algorithm>
#include <atomic>
#include <charconv>
#include <condition_variable>
#include <cstdlib>
#include <deque>
#include <future>
#include <mutex>
#include <thread>

namespace {

bool espeakready = false;
int espeaksamplerate = 22050;
// Synchronous synthesis hands samples over in blocks of this many
// milliseconds: short blocks let the first sound out sooner.
constexpr int synthesisblockms = 20;
// espeak-ng opens each text with some silence; samples quieter than this at
// the start of a text are dropped so the voice answers at once.
constexpr int leadingsilencelevel = 64;

std::string statusmessage(espeak_ng_STATUS status)
{
    char buffer[512] = {};
    espeak_ng_GetStatusCodeMessage(status, buffer, sizeof buffer);
    return buffer;
}

template <typename Call>
void postgui(Call call)
{
    if (QCoreApplication* application = QCoreApplication::instance())
        QMetaObject::invokeMethod(application, std::move(call), Qt::QueuedConnection);
}

struct TVoiceAnswer {
    espeak_ng_STATUS status = ENS_OK;
    std::vector<std::string> names;
};

struct TJob {
    enum class TKind { text, parameter, voice, voices, quit };

    explicit TJob(TKind what = TKind::quit, std::uint64_t of = 0, std::string words = {})
        : kind(what)
        , generation(of)
        , text(std::move(words))
    {
    }

    TKind kind;
    std::uint64_t generation = 0;
    std::string text; // UTF-8 text or voice name
    espeak_PARAMETER parameter = espeakRATE;
    int value = 0;
    std::shared_ptr<std::promise<TVoiceAnswer>> answer;
};

// Czech first, then Slovak, then English, then the rest, each group by name.
int languagegroup(const char* languages)
{
    // The list is a priority byte followed by a language name, repeated.
    std::string language = languages && languages[0] ? languages + 1 : "";
    if (language == "cs")
        return 0;
    if (language == "sk")
        return 1;
    if (language.rfind("en", 0) == 0)
        return 2;
    return 3;
}

// The synthesizer and its playing state. The worker thread runs every
// espeak-ng call; the GUI thread queues jobs and keeps the idle/playing
// state; the audio thread reports that the stream ran dry. A reset raises the
// generation, so synthesis of older text aborts and their notices are dropped.
class TEspeakWorker : public std::enable_shared_from_this<TEspeakWorker> {
public:
    explicit TEspeakWorker(TSpeechStream& stream)
        : m_stream(stream)
    {
    }

    ~TEspeakWorker()
    {
        m_stream.setdrainedcallback({});
        post(TJob(TJob::TKind::quit));
        if (m_thread.joinable())
            m_thread.join();
    }

    void start()
    {
        std::weak_ptr<TEspeakWorker> weak = weak_from_this();
        // The mixer may call its copy of this after the worker is gone: only
        // a worker that still lives is read.
        m_stream.setdrainedcallback([weak] {
            auto alive = weak.lock();
            if (!alive)
                return;
            std::uint64_t generation = alive->m_generation.load();
            std::uint64_t serial = alive->m_writeserial.load();
            alive.reset();
            postgui([weak, generation, serial] {
                if (auto self = weak.lock())
                    self->drained(generation, serial);
            });
        });
        m_thread = std::thread([this, weak] { run(weak); });
    }

    // GUI thread.
    void accept(const std::string& utf8)
    {
        // The start is posted before the job can run, so for a text without
        // sound it still comes before the stop.
        ++m_textspending;
        if (!m_playing) {
            m_playing = true;
            notify(true);
        }
        {
            std::lock_guard lock(m_mutex);
            m_jobs.emplace_back(TJob::TKind::text, m_generation.load(), utf8);
        }
        m_wake.notify_one();
    }

    void reset()
    {
        {
            std::lock_guard lock(m_mutex);
            ++m_generation;
            std::erase_if(m_jobs, [](const TJob& job) { return job.kind == TJob::TKind::text; });
            m_stream.clear();
            // What was written is gone, not waiting to be heard: the stream
            // will report no drain for it.
            m_heardserial = m_writeserial.load();
        }
        m_textspending = 0;
        if (m_playing) {
            m_playing = false;
            notify(false);
        }
    }

    void setparameter(espeak_PARAMETER parameter, int value)
    {
        TJob job(TJob::TKind::parameter);
        job.parameter = parameter;
        job.value = value;
        post(std::move(job));
    }

    TVoiceAnswer ask(TJob::TKind kind, const std::string& name = {})
    {
        TJob job(kind);
        job.text = name;
        job.answer = std::make_shared<std::promise<TVoiceAnswer>>();
        auto answer = job.answer->get_future();
        post(std::move(job));
        return answer.get();
    }

    std::shared_ptr<TTTSNotifySink> sink;

private:
    void post(TJob job)
    {
        {
            std::lock_guard lock(m_mutex);
            m_jobs.push_back(std::move(job));
        }
        m_wake.notify_one();
    }

    void notify(bool started)
    {
        postgui([receiver = sink, started] {
            if (!receiver)
                return;
            if (started)
                receiver->AudioStart();
            else
                receiver->AudioStop();
        });
    }

    // GUI thread, posted.
    void finished(std::uint64_t generation, std::uint64_t serial)
    {
        if (generation != m_generation.load())
            return;
        --m_textspending;
        m_finishedserial = serial;
        stopwhenheard();
    }

    void drained(std::uint64_t generation, std::uint64_t serial)
    {
        if (generation != m_generation.load())
            return;
        m_heardserial = std::max(m_heardserial, serial);
        stopwhenheard();
    }

    void stopwhenheard()
    {
        if (m_playing && m_textspending <= 0 && m_heardserial >= m_finishedserial) {
            m_playing = false;
            if (sink)
                sink->AudioStop();
        }
    }

    // Worker thread.
    void run(std::weak_ptr<TEspeakWorker> weak)
    {
        for (;;) {
            TJob job;
            {
                std::unique_lock lock(m_mutex);
                m_wake.wait(lock, [this] { return !m_jobs.empty(); });
                job = std::move(m_jobs.front());
                m_jobs.pop_front();
                if (job.kind == TJob::TKind::text) {
                    if (job.generation != m_generation.load())
                        continue;
                    m_synthesizing = job.generation;
                    m_trimming = true;
                }
            }
            switch (job.kind) {
            case TJob::TKind::quit:
                return;
            case TJob::TKind::text:
                if (espeak_ng_STATUS status = synthesize(job.text); status != ENS_OK && status != ENS_SPEECH_STOPPED)
                    // Raised on the GUI thread, where the statement or handler
                    // that asked for speech is waiting.
                    postgui([status] { raiseengineerror(status, statusmessage(status)); });
                flushtext();
                postgui([weak, generation = job.generation, serial = m_writeserial.load()] {
                    if (auto self = weak.lock())
                        self->finished(generation, serial);
                });
                break;
            case TJob::TKind::parameter:
                espeak_ng_SetParameter(job.parameter, job.value, 0);
                break;
            case TJob::TKind::voice:
                job.answer->set_value({ espeak_ng_SetVoiceByName(job.text.c_str()), {} });
                break;
            case TJob::TKind::voices:
                job.answer->set_value({ ENS_OK, listvoices() });
                break;
            }
        }
    }

    // The end of a text is heard with it, unless the text was reset.
    void flushtext()
    {
        std::lock_guard lock(m_mutex);
        if (m_synthesizing == m_generation.load() && m_stream.flush() > 0)
            ++m_writeserial;
    }

    espeak_ng_STATUS synthesize(const std::string& utf8)
    {
        current = this;
        espeak_ng_STATUS status = espeak_ng_Synthesize(utf8.c_str(), utf8.size() + 1, 0, POS_CHARACTER, 0,
            espeakCHARS_UTF8, nullptr, nullptr);
        current = nullptr;
        return status;
    }

    static std::vector<std::string> listvoices()
    {
        struct TEntry {
            int group;
            std::string name;
        };
        std::vector<TEntry> entries;
        for (const espeak_VOICE** voice = espeak_ListVoices(nullptr); voice && *voice; ++voice)
            if ((*voice)->name)
                entries.push_back({ languagegroup((*voice)->languages), (*voice)->name });
        std::stable_sort(entries.begin(), entries.end(), [](const TEntry& a, const TEntry& b) {
            return a.group != b.group ? a.group < b.group : a.name < b.name;
        });
        std::vector<std::string> names;
        for (auto& entry : entries)
            names.push_back(std::move(entry.name));
        return names;
    }

public:
    // Returning 1 aborts the synthesis: the text was reset.
    static int synthcallback(short* samples, int count, espeak_EVENT*)
    {
        TEspeakWorker* self = current;
        if (!self)
            return 1;
        std::lock_guard lock(self->m_mutex);
        if (self->m_synthesizing != self->m_generation.load())
            return 1;
        if (!samples || count <= 0)
            return 0;
        int first = 0;
        if (self->m_trimming) {
            while (first < count && std::abs(samples[first]) < leadingsilencelevel)
                ++first;
            if (first == count)
                return 0;
            self->m_trimming = false;
        }
        self->m_stream.write(samples + first, static_cast<size_t>(count - first), espeaksamplerate);
        ++self->m_writeserial;
        return 0;
    }

private:
    static inline TEspeakWorker* current = nullptr;

    TSpeechStream& m_stream;
    std::thread m_thread;
    std::mutex m_mutex; // the job queue, and a write against a reset
    std::condition_variable m_wake;
    std::deque<TJob> m_jobs;
    std::atomic<std::uint64_t> m_generation { 0 };
    std::atomic<std::uint64_t> m_writeserial { 0 };
    std::uint64_t m_synthesizing = 0; // generation of the text being synthesized
    bool m_trimming = false;

    // GUI thread only.
    bool m_playing = false;
    int m_textspending = 0;
    std::uint64_t m_finishedserial = 0;
    std::uint64_t m_heardserial = 0;
};

class TEspeakCentral final : public TTTSCentral {
public:
    explicit TEspeakCentral(std::shared_ptr<TEspeakWorker> worker)
        : m_worker(std::move(worker))
    {
        m_worker->setparameter(espeakRATE, m_speed);
        m_worker->setparameter(espeakPITCH, m_pitch);
        m_worker->setparameter(espeakVOLUME, espeakvolume());
    }

    ~TEspeakCentral() override { m_worker->reset(); }

    void textdata(const std::string& text) override
    {
        std::string utf8 = cp1250::toutf8(text);
        if (!utf8.empty())
            m_worker->accept(utf8);
    }

    void audioreset() override { m_worker->reset(); }

    void inject(const std::string& tag) override
    {
        // "\Spd=150\": a name of three letters, "=", an unsigned number, "\".
        if (tag.size() < 7 || tag.front() != '\\' || tag.back() != '\\' || tag[4] != '=')
            return;
        std::uint32_t number = 0;
        auto [end, error] = std::from_chars(tag.data() + 5, tag.data() + tag.size() - 1, number);
        if (error != std::errc {} || end != tag.data() + tag.size() - 1)
            return;
        std::string name = tag.substr(1, 3);
        if (name == "Spd")
            speedset(number);
        else if (name == "Pit")
            pitchset(static_cast<std::uint16_t>(std::min<std::uint32_t>(number, 0xFFFF)));
        else if (name == "Vol")
            volumeset(number);
    }

    bool speedget(std::uint32_t& value) override
    {
        value = static_cast<std::uint32_t>(m_speed);
        return true;
    }

    bool speedset(std::uint32_t value) override
    {
        m_speed = static_cast<int>(std::clamp<std::uint32_t>(value, espeakrange::slowest, espeakrange::fastest));
        m_worker->setparameter(espeakRATE, m_speed);
        return true;
    }

    bool pitchget(std::uint16_t& value) override
    {
        value = static_cast<std::uint16_t>(m_pitch);
        return true;
    }

    bool pitchset(std::uint16_t value) override
    {
        m_pitch = std::clamp<int>(value, espeakrange::lowestpitch, espeakrange::highestpitch);
        m_worker->setparameter(espeakPITCH, m_pitch);
        return true;
    }

    bool volumeget(std::uint32_t& value) override
    {
        value = m_level | (m_level << 16);
        return true;
    }

    bool volumeset(std::uint32_t value) override
    {
        m_level = value & 0xFFFF;
        m_worker->setparameter(espeakVOLUME, espeakvolume());
        return true;
    }

    std::uint32_t registersink(std::shared_ptr<TTTSNotifySink> sink) override
    {
        m_worker->sink = std::move(sink);
        return ++m_lastkey;
    }

    void unregistersink(std::uint32_t key) override
    {
        if (key == m_lastkey)
            m_worker->sink.reset();
    }

private:
    // Full level is espeak-ng's 100, its undistorted loudest.
    int espeakvolume() const { return static_cast<int>((m_level * 100 + 0x7FFF) / 0xFFFF); }

    std::shared_ptr<TEspeakWorker> m_worker;
    int m_speed = espeakrange::defaultspeed;
    int m_pitch = espeakrange::defaultpitch;
    std::uint32_t m_level = 0xFFFF;
    std::uint32_t m_lastkey = 0;
};

class TEspeakEnum final : public TTTSEnum {
public:
    explicit TEspeakEnum(TSpeechStream& stream)
        : m_worker(std::make_shared<TEspeakWorker>(stream))
    {
        m_worker->start();
        m_names = m_worker->ask(TJob::TKind::voices).names;
    }

    std::vector<std::string> modes() override { return m_names; }

    std::unique_ptr<TTTSCentral> select(const std::string& modename) override
    {
        TVoiceAnswer answer = m_worker->ask(TJob::TKind::voice, modename);
        if (answer.status != ENS_OK)
            raiseengineerror(answer.status, statusmessage(answer.status) + " (" + modename + ")");
        return std::make_unique<TEspeakCentral>(m_worker);
    }

private:
    std::shared_ptr<TEspeakWorker> m_worker;
    std::vector<std::string> m_names;
};

}

bool initespeak(std::string* reason)
{
    if (espeakready)
        return true;
    espeak_ng_InitializePath(nullptr);
    espeak_ng_ERROR_CONTEXT context = nullptr;
    espeak_ng_STATUS status = espeak_ng_Initialize(&context);
    espeak_ng_ClearErrorContext(&context);
    if (status == ENS_OK)
        status = espeak_ng_InitializeOutput(ENOUTPUT_MODE_SYNCHRONOUS, synthesisblockms, nullptr);
    if (status != ENS_OK) {
        if (reason)
            *reason = "The speech engine espeak-ng cannot start: " + statusmessage(status);
        return false;
    }
    espeaksamplerate = espeak_ng_GetSampleRate();
    espeak_SetSynthCallback(&TEspeakWorker::synthcallback);
    espeakready = true;
    return true;
}

std::unique_ptr<TTTSEnum> createespeakenumerator(TSpeechStream& stream)
{
    if (!espeakready)
        return nullptr;
    return std::make_unique<TEspeakEnum>(stream);
}
