// Writes the two files the user cares about, ram.dat and the settings file,
// in a folder, through the program's own routines: the memory image as the
// exit paths save it, the switches as the Braille keyboard command saves
// them. The kill test stops it at random moments.
//
//   filerewriter FOLDER write N   writes version N once
//   filerewriter FOLDER loop      loads both files, then writes the next
//                                 versions one after another until killed
//   filerewriter FOLDER check     loads both files: a whole version of each
//
// Version N of the image is a pattern led by N; version N of the settings
// has the Braille keyboard on for odd N. Errors go to standard error and
// make the exit status 1.

#include "runtime/cells.h"
#include "runtime/errors.h"
#include "runtime/notices.h"
#include "runtime/ram.h"
#include "runtime/settings.h"
#include "runtime/switchsettings.h"

#include <cstdio>
#include <cstring>
#include <string>

namespace {

void fillversion(std::uint32_t version)
{
    for (std::size_t address = 0; address < ramimage.size(); ++address)
        ramimage[address] = static_cast<std::uint8_t>(address * 31 + version * 7);
    std::memcpy(ramimage.data(), &version, sizeof version);
}

std::uint32_t loadedversion()
{
    std::uint32_t version;
    std::memcpy(&version, ramimage.data(), sizeof version);
    return version;
}

// A settings file that cannot be written is told of, not raised.
bool settingstold = false;

// Whatever fails, the other file is still tried: each must keep its own
// old version.
bool writeversion(const std::string& folder, std::uint32_t version)
{
    bool whole = true;
    fillversion(version);
    try {
        saveram(folder + "/ram.dat");
    } catch (const TVorkanaError& error) {
        std::fprintf(stderr, "%s\n", error.what());
        whole = false;
    }
    switches = {};
    switches.soundvolume = -1500;
    switches.braillekeyboard = version % 2 == 1;
    writesettings(TSettingsFile(folder + "/vorkana.ini"));
    return whole && !settingstold;
}

bool check(const std::string& folder)
{
    loadram(folder + "/ram.dat");
    std::uint32_t version = loadedversion();
    tramimage loaded = ramimage;
    fillversion(version);
    if (loaded != ramimage) {
        std::fprintf(stderr, "ram.dat is no whole version (it begins as version %u)\n", version);
        return false;
    }
    TSettingsFile settingsfile(folder + "/vorkana.ini");
    if (settingsfile.readinteger(settings::sndvolume) != -1500) {
        std::fprintf(stderr, "the settings file lost its sound volume\n");
        return false;
    }
    std::printf("%u\n", version);
    return true;
}

}

int main(int argc, char* argv[])
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: filerewriter FOLDER write N | loop | check\n");
        return 2;
    }
    std::string folder = argv[1];
    std::string command = argv[2];
    setnoticereceiver([](const TTelling& telling) {
        std::fprintf(stderr, "%s\n", telling.message.c_str());
        settingstold = true;
    });
    try {
        if (command == "write" && argc == 4) {
            // The program writes only a memory file it loaded (or found missing).
            loadram(folder + "/ram.dat");
            return writeversion(folder, static_cast<std::uint32_t>(std::stoul(argv[3]))) ? 0 : 1;
        }
        if (command == "check")
            return check(folder) ? 0 : 1;
        if (command == "loop") {
            loadram(folder + "/ram.dat");
            for (std::uint32_t version = loadedversion() + 1;; ++version)
                if (!writeversion(folder, version))
                    return 1;
        }
    } catch (const TVorkanaError& error) {
        std::fprintf(stderr, "%s\n", error.what());
        return 1;
    }
    std::fprintf(stderr, "usage: filerewriter FOLDER write N | loop | check\n");
    return 2;
}
