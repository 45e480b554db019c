#include "runtime/runframe.h"

#include "runtime/cells.h"
#include "runtime/codepage.h"
#include "runtime/errors.h"
#include "runtime/print.h"
#include "runtime/screen.h"
#include "runtime/ResourceLocalizer.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>

namespace {

constexpr const char* datafilename = "data.dta";
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
    if (std::filesystem::exists(datafilename, status)) {
        datafile.open(datafilename, std::ios::in);
        if (!datafile.is_open())
            throw TVorkanaError(std::string("I/O error opening \"") + datafilename + "\": " + std::strerror(errno));
    }
    runtimecells.programstarted = true;
    initruntime();
    program();
    printtext(cp1250::fromutf8(text(25)), 0);
}

bool datafileopen()
{
    return datafile.is_open();
}
