#include "shell/userprogram.h"

#include "basic/machine.h"
#include "program/vorkanaprog.h"
#include "runtime/runframe.h"

#include <filesystem>
#include <optional>

namespace {

std::string chosenpath;
std::optional<TBasicProgram> chosenprogram;

}

void chooseprogramfile(const std::string& path)
{
    chosenprogram = loadbasic(readsourcefile(path));
    chosenpath = path;
    // A program's data file lies beside it, wherever the program was started.
    setdatafilefolder(std::filesystem::path(path).parent_path().string());
}

void rereadchosenprogram()
{
    if (!chosenpath.empty())
        chosenprogram = loadbasic(readsourcefile(chosenpath));
}

std::string chosenprogramname()
{
    return chosenpath.empty() ? std::string() : std::filesystem::path(chosenpath).filename().string();
}

void runchosenprogram()
{
    if (!chosenprogram) {
        runprogram();
        return;
    }
    runbasic(*chosenprogram);
}

void forgetchosenprogram()
{
    chosenpath.clear();
    chosenprogram.reset();
    setdatafilefolder({});
}
