#include "shell/userprogram.h"

#include "basic/machine.h"
#include "program/vorkanaprog.h"

#include <filesystem>

namespace {

std::string chosenpath;

}

void chooseprogramfile(const std::string& path)
{
    loadbasic(readsourcefile(path));
    chosenpath = path;
}

std::string chosenprogramname()
{
    return chosenpath.empty() ? std::string() : std::filesystem::path(chosenpath).filename().string();
}

void runchosenprogram()
{
    if (chosenpath.empty()) {
        runprogram();
        return;
    }
    TBasicProgram program = loadbasic(readsourcefile(chosenpath));
    runbasic(program);
}

void forgetchosenprogram()
{
    chosenpath.clear();
}
