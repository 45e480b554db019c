#include "platform/screenreader.h"

#include <atomic>

namespace {

std::atomic<bool> listening { false };

}

void setscreenreaderlistening(bool value)
{
    listening = value;
}

bool screenreaderlistening()
{
    return listening;
}
