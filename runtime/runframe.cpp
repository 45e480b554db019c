#include "runtime/runframe.h"

#include "runtime/cells.h"
#include "runtime/codepage.h"
#include "runtime/errors.h"
#include "runtime/notices.h"
#include "runtime/print.h"
#include "runtime/screen.h"
#include "runtime/services.h"
#include "runtime/ResourceLocalizer.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>

namespace {

constexpr const char* datafilename = "data.dta";
std::string datafilefolder;
std::ifstream datafile;

struct TDataFileCloser {
    ~TDataFileCloser()
    {
        if (datafile.is_open())
            datafile.close();
        datafile.clear();
    }
};

}

void initruntime()
{
    runtimecells.lasttimbre = 1;
    runtimecells.lastduration = 1;
    scrcursor.setcolumn(0);
}

void runstart(const std::function<void()>& program)
{
    TDataFileCloser closer;
    std::error_code status;
    std::string path = datafilepath();
    if (std::filesystem::exists(path, status)) {
        datafile.open(path, std::ios::in | std::ios::binary);
        if (!datafile.is_open())
            throw TVorkanaError(std::string("I/O error opening \"") + path + "\": " + std::strerror(errno));
    }
    runtimecells.programstarted = true;
    initruntime();
    try {
        program();
    } catch (const TToldError&) {
        throw;
    } catch (const std::exception& error) {
        // The error is the run's last line, said before the ready text as
        // a line of the program would be, so the screen, its review and the
        // Braille display keep it; its box then adds nothing new to say.
        std::string message = cp1250::fromutf8(error.what());
        printmessage(message);
        tell(error.what(), true);
        speech().speakwait(message);
        printtext(cp1250::fromutf8(text(25)), 0);
        throw TToldError(error.what());
    }
    printtext(cp1250::fromutf8(text(25)), 0);
}

bool datafileopen()
{
    return datafile.is_open();
}

void setdatafilefolder(const std::string& folder)
{
    datafilefolder = folder;
}

std::string datafilepath()
{
    if (datafilefolder.empty())
        return datafilename;
    return (std::filesystem::path(datafilefolder) / datafilename).string();
}

bool readdataline(std::string& line)
{
    if (!datafile.is_open() || !std::getline(datafile, line))
        return false;
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    return true;
}

bool datafileended()
{
    return !datafile.is_open() || datafile.peek() == std::ifstream::traits_type::eof();
}
