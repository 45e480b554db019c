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
    // The tables these files fill hold a few hundred short lines; a file
    // far beyond that is a wrong or broken file, and reading it whole could
    // take all the memory there is.
    std::string content(largesttextfile + 1, '\0');
    file.read(content.data(), static_cast<std::streamsize>(content.size()));
    if (file.bad())
        throw TVorkanaError("I/O error reading \"" + path + "\"");
    if (static_cast<std::size_t>(file.gcount()) > largesttextfile)
        throw TVorkanaError("I/O error reading \"" + path + "\": the file is larger than "
            + std::to_string(largesttextfile / 1024) + " KB");
    content.resize(static_cast<std::size_t>(file.gcount()));
    std::vector<std::string> lines;
    std::istringstream text(content);
    std::string line;
    while (std::getline(text, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(std::move(line));
    }
    return lines;
}
