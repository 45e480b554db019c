#pragma once
// The real services the system voice's benchmarks measure against: a
// PulseAudio null sink to play into and a speech-dispatcher of their own.

#include "tests/sound/pulsenullsink.h"
#include "tests/speech/speechdispatcherservice.h"

#include <cstdio>
#include <memory>

struct TSpeechServices {
    TPulseNullSink sink;
    TSpeechDispatcherService service;
};

// Both started, or nothing when one cannot be, said on standard output.
inline std::unique_ptr<TSpeechServices> startspeechservices()
{
    if (!TPulseNullSink::installed() || !TSpeechDispatcherService::installed()) {
        std::printf("pulseaudio and speech-dispatcher are needed: scripts/install-deps.sh --tests\n");
        return nullptr;
    }
    auto services = std::make_unique<TSpeechServices>();
    if (!services->sink.running()) {
        std::printf("%s\n", services->sink.reason().c_str());
        return nullptr;
    }
    if (!services->service.reason().empty()) {
        std::printf("%s\n", services->service.reason().c_str());
        return nullptr;
    }
    return services;
}
