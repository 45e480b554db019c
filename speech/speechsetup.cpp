#include "speech/speechsetup.h"

#include "runtime/services.h"
#include "speech/speechdispatchervoice.h"
#include "speech/speechlayer.h"
#include "speech/voiceselection.h"

#include <memory>

namespace {

std::unique_ptr<TSpeechDispatcherVoice> systemvoice;

}

void initspeech(TSpeechStream& stream)
{
    voiceselection.initspeech(createespeakenumerator(stream));
    systemvoice = std::make_unique<TSpeechDispatcherVoice>();
    speechlayer.setsystemvoice(systemvoice.get());
    services.speech = &speechlayer;
}

void releasespeech() noexcept
{
    try {
        voiceselection.release();
    } catch (...) {
    }
    speechlayer.setsystemvoice(nullptr);
    systemvoice.reset();
}
