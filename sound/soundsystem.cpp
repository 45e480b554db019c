#include "sound/soundsystem.h"

#include "runtime/filetexts.h"

#include "runtime/errors.h"
#include "sound/bankplayer.h"
#include "sound/pipewireoutput.h"
#include "sound/pulseoutput.h"
#include "sound/silentoutput.h"
#include "sound/sounddevice.h"

#include <QAbstractEventDispatcher>
#include <QObject>

struct TSoundSystem::TImplementation {
    std::unique_ptr<TSoundDevice> device;
    std::unique_ptr<TWaveList> wavelist;
    std::unique_ptr<TBankPlayer> player;
    std::string devicemessage;
    std::function<void(std::chrono::steady_clock::time_point)> sleep;
    // Sends the held commands as the thread that opened the device waits in
    // its event loop; gone, with its connection, before the device.
    std::unique_ptr<QObject> waitwatch;
};

namespace {

// PipeWire's own stream cuts in a few milliseconds, where its PulseAudio
// service cannot go under a 256-frame quantum. Nothing when no PipeWire
// server with a sink answers: the libpulse output serves PulseAudio, and a
// desktop whose server is not there yet.
std::unique_ptr<TAudioOutput> pipewireoutput()
{
    try {
        return std::make_unique<TPipeWireOutput>();
    } catch (const TVorkanaError&) {
        return nullptr;
    }
}

}

TSoundSystem::TSoundSystem()
    : m_implementation(std::make_unique<TImplementation>())
{
    m_implementation->wavelist = std::make_unique<TWaveList>();
    m_implementation->player = std::make_unique<TBankPlayer>(m_implementation->wavelist->List);
}

TSoundSystem::~TSoundSystem()
{
    release();
}

void TSoundSystem::opendevice()
{
    auto& parts = *m_implementation;
    if (parts.device)
        return;
    std::unique_ptr<TAudioOutput> output = pipewireoutput();
    if (!output) {
        try {
            auto pulse = std::make_unique<TPulseOutput>();
            // A server that comes later is found then.
            if (!pulse->startproblem().empty())
                parts.devicemessage = pulse->startproblem()
                    + ". Tones, clicks and speech are silent until it is there; they still take their time.";
            output = std::move(pulse);
        } catch (const TVorkanaError& error) {
            parts.devicemessage = std::string(error.what())
                + ". Tones, clicks and speech are silent; they still take their time.";
            output = std::make_unique<TSilentOutput>();
        }
    }
    parts.device = std::make_unique<TSoundDevice>(std::move(output));
    parts.device->setsleep(parts.sleep);
    parts.wavelist = std::make_unique<TWaveList>(parts.device.get());
    parts.player = std::make_unique<TBankPlayer>(parts.wavelist->List);
}

void TSoundSystem::holdchangesbetweenwaits()
{
    opendevice();
    auto& parts = *m_implementation;
    if (parts.waitwatch)
        return;
    parts.device->mixer().holdchanges();
    parts.waitwatch = std::make_unique<QObject>();
    if (auto* dispatcher = QAbstractEventDispatcher::instance())
        QObject::connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, parts.waitwatch.get(),
            [device = parts.device.get()] { device->mixer().sendchanges(); });
}

void TSoundSystem::sendchanges()
{
    if (m_implementation->device)
        m_implementation->device->mixer().sendchanges();
}

void TSoundSystem::setsleep(std::function<void(std::chrono::steady_clock::time_point)> sleep)
{
    m_implementation->sleep = sleep;
    if (m_implementation->device)
        m_implementation->device->setsleep(std::move(sleep));
}

std::string TSoundSystem::devicemessage() const
{
    return m_implementation->devicemessage;
}

void TSoundSystem::loadbank(const std::string& path)
{
    // The user learns which file it is and, in their words, what is wrong;
    // standard error keeps the detail.
    try {
        m_implementation->wavelist->List.LoadBank(path);
    } catch (const TBankError& error) {
        std::fprintf(stderr, "vorkana: \"%s\": %s\n", path.c_str(), error.what());
        TFileText reason = error.fault == TBankFault::notabank ? TFileText::notasoundbank
            : error.fault == TBankFault::endstooearly          ? TFileText::endstooearly
                                                               : TFileText::wrongvalue;
        throw TVorkanaError(filetext(TFileText::soundbankdamaged, path, filetext(reason)));
    }
}

TSoundPlayer& TSoundSystem::player()
{
    return *m_implementation->player;
}

TSpeechStream& TSoundSystem::speechstream()
{
    // Speech and tones share one clock: the first speech opens the device
    // if the window has not done so yet.
    opendevice();
    return m_implementation->device->mixer();
}

void TSoundSystem::release() noexcept
{
    auto& parts = *m_implementation;
    if (parts.device)
        parts.device->close();
}
