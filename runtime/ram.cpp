#include "runtime/ram.h"

#include "runtime/errors.h"
#include "runtime/filetexts.h"

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <unistd.h>

tramimage ramimage {};

namespace {

// Until a load succeeds the file on disk is not ours: an ending before the
// load (a start-up step that failed first) must not write zeros over it.
bool loadfailed = true;

// The user is told the whole path: "ram.dat" alone does not say where.
std::string fullpath(const std::string& path)
{
    std::error_code status;
    std::filesystem::path full = std::filesystem::absolute(path, status);
    return status ? path : full.string();
}

[[noreturn]] void notread(const std::string& path, int error)
{
    throw TVorkanaError(filetext(TFileText::ramnotread, fullpath(path), filefailure(error)));
}

// Named by the file the user knows, not by the temporary one.
[[noreturn]] void notsaved(const std::string& path, int error)
{
    throw TVorkanaError(filetext(TFileText::ramnotsaved, fullpath(path), filefailure(error)));
}

}

void loadram(const std::string& path)
{
    ramimage.fill(0);
    std::error_code status;
    if (!std::filesystem::exists(path, status)) {
        // A first start: the file is ours to make.
        loadfailed = status.value() != 0;
        return;
    }

    loadfailed = true;
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file)
        notread(path, errno);
    std::size_t read = std::fread(ramimage.data(), 1, ramimage.size(), file);
    int error = std::ferror(file) ? errno : 0;
    bool longer = read == ramimage.size() && std::fgetc(file) != EOF;
    std::fclose(file);
    if (error != 0) {
        ramimage.fill(0);
        notread(path, error);
    }
    // Another length is not an image of ours: writing one back would cut
    // off or pad the user's data.
    if (read != ramimage.size() || longer) {
        std::uintmax_t size = std::filesystem::file_size(path, status);
        throw TVorkanaError(filetext(TFileText::ramwronglength, fullpath(path), status ? std::string("?") : std::to_string(size)));
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
        notsaved(path, errno);
    bool written = std::fwrite(ramimage.data(), 1, ramimage.size(), file) == ramimage.size();
    written = std::fflush(file) == 0 && written;
    written = fsync(fileno(file)) == 0 && written;
    int error = errno;
    written = std::fclose(file) == 0 && written;
    if (!written) {
        std::remove(temporary.c_str());
        notsaved(path, error);
    }
    if (std::rename(temporary.c_str(), path.c_str()) != 0) {
        error = errno;
        std::remove(temporary.c_str());
        notsaved(path, error);
    }
}

bool ramfileprotected()
{
    return loadfailed;
}
