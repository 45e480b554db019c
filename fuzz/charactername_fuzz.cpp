// The character-name loader (".eky" files) on any file.

#include "fuzz/memoryfile.h"
#include "runtime/errors.h"
#include "shell/echoloader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    TMemoryFile file(data, size);
    try {
        loadechotable(file.path());
    } catch (const TVorkanaError&) {
    }
    return 0;
}
