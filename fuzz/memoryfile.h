#pragma once
// The loaders that take a path read the fuzzer's bytes from an anonymous
// in-memory file, reached through its /proc/self/fd path: no disk, and
// nothing left behind when a run is cut short.

#include <cstddef>
#include <cstdint>
#include <string>

class TMemoryFile {
public:
    TMemoryFile(const std::uint8_t* data, std::size_t size);
    ~TMemoryFile();
    TMemoryFile(const TMemoryFile&) = delete;
    TMemoryFile& operator=(const TMemoryFile&) = delete;

    const std::string& path() const { return m_path; }

private:
    int m_descriptor;
    std::string m_path;
};
