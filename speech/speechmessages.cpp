#include "speech/speechmessages.h"

#include "runtime/notices.h"

#include <cstdio>
#include <unistd.h>

std::function<void(const std::string&)> showvoicemessagebox = [](const std::string& message) {
    std::fprintf(stderr, "%s\n", message.c_str());
};

std::function<void(const std::string&)> reportspeechproblem = [](const std::string& message) {
    std::fprintf(stderr, "%s\n", message.c_str());
};

std::function<void()> reportspeechback = [] {
    std::fprintf(stderr, "The system voice (speech-dispatcher) speaks again.\n");
    tell(TNotice::systemvoiceback);
};

std::function<void()> endprocessnow = [] { ::_exit(1); };
