#include "fuzz/memoryfile.h"

#include <cstdio>
#include <cstdlib>
#include <sys/mman.h>
#include <unistd.h>

TMemoryFile::TMemoryFile(const std::uint8_t* data, std::size_t size)
    : m_descriptor(memfd_create("fuzzinput", MFD_CLOEXEC))
{
    // A harness that cannot make its input file would report nothing but
    // false passes; stop instead.
    if (m_descriptor < 0) {
        std::perror("memfd_create");
        std::abort();
    }
    for (std::size_t written = 0; written < size;) {
        ssize_t count = write(m_descriptor, data + written, size - written);
        if (count <= 0) {
            std::perror("write");
            std::abort();
        }
        written += static_cast<std::size_t>(count);
    }
    m_path = "/proc/self/fd/" + std::to_string(m_descriptor);
}

TMemoryFile::~TMemoryFile()
{
    close(m_descriptor);
}
