#include "speech/speechmessages.h"

#include <cstdio>
#include <unistd.h>

std::function<void(const std::string&)> showvoicemessagebox = [](const std::string& message) {
    std::fprintf(stderr, "%s\n", message.c_str());
};

std::function<void(const std::string&)> reportspeechproblem = [](const std::string& message) {
    std::fprintf(stderr, "%s\n", message.c_str());
};

std::function<void()> endprocessnow = [] { ::_exit(1); };
