// val on any text: a number or the conversion error, never anything else.

#include "runtime/errors.h"
#include "runtime/functions.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    try {
        val(std::string(reinterpret_cast<const char*>(data), size));
    } catch (const TVorkanaError&) {
    }
    return 0;
}
