// The device memory loader on any file: what the file holds, up to the
// image's size, is the image; the rest is zero. A file of any length but
// the image's is reported, and is the user's to keep: never written over.

#include "fuzz/memoryfile.h"
#include "runtime/errors.h"
#include "runtime/ram.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    TMemoryFile file(data, size);
    bool reported = false;
    try {
        loadram(file.path());
    } catch (const TVorkanaError&) {
        reported = true;
    }
    // A file that opens is always readable: only its length is reported.
    if (reported != (size != ramimage.size()) || ramfileprotected() != reported)
        std::abort();
    std::size_t held = std::min(size, ramimage.size());
    if (std::memcmp(ramimage.data(), data, held) != 0
        || std::any_of(ramimage.begin() + std::ptrdiff_t(held), ramimage.end(), [](std::uint8_t byte) { return byte != 0; }))
        std::abort();
    return 0;
}
