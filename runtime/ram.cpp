#include "runtime/ram.h"

#include "runtime/errors.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <unistd.h>

tramimage ramimage {};

namespace {

bool loadfailed = false;

[[noreturn]] void ioerror(const std::string& action, const std::string& path, int error)
{
    throw TVorkanaError("I/O error " + action + " \"" + path + "\": " + std::strerror(error));
}

}

void loadram(const std::string& path)
{
    ramimage.fill(0);
    std::error_code status;
    if (!std::filesystem::exists(path, status))
        return;

    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) {
        loadfailed = true;
        ioerror("opening", path, errno);
    }
    std::fread(ramimage.data(), 1, ramimage.size(), file);
    int error = std::ferror(file) ? errno : 0;
    std::fclose(file);
    if (error != 0) {
        loadfailed = true;
        ramimage.fill(0);
        ioerror("reading", path, error);
    }
    loadfailed = false;
}

void saveram(const std::string& path)
{
    if (loadfailed)
        return;

    std::string temporary = path + ".tmp";
    std::FILE* file = std::fopen(temporary.c_str(), "wb");
    if (!file)
        ioerror("creating", temporary, errno);
    bool written = std::fwrite(ramimage.data(), 1, ramimage.size(), file) == ramimage.size();
    written = std::fflush(file) == 0 && written;
    written = fsync(fileno(file)) == 0 && written;
    int error = errno;
    written = std::fclose(file) == 0 && written;
    if (!written) {
        std::remove(temporary.c_str());
        ioerror("writing", temporary, error);
    }
    if (std::rename(temporary.c_str(), path.c_str()) != 0) {
        error = errno;
        std::remove(temporary.c_str());
        ioerror("replacing", path, error);
    }
}

bool ramfileprotected()
{
    return loadfailed;
}
