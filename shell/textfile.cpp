#include "shell/textfile.h"

#include "runtime/errors.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>

std::vector<std::string> readtextlines(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    if (!file.is_open()) {
        if (errno == ENOENT)
            throw TVorkanaError("File not found: \"" + path + "\"");
        throw TVorkanaError("I/O error opening \"" + path + "\": " + std::strerror(errno));
    }
    std::vector<std::string> lines;
    std::string line;
    while (std::getline(file, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(std::move(line));
    }
    if (file.bad())
        throw TVorkanaError("I/O error reading \"" + path + "\"");
    return lines;
}
