#pragma once
// Where the program finds its files. A working folder that holds the sound
// bank is used as it always was: every file by its bare name in the current
// directory, the settings beside the program. Otherwise the program runs as
// installed: read-only data from the installed data folder, the device
// memory in the user's data folder and the settings in the user's
// configuration folder, as Linux desktops keep them.

#include <string>
#include <vector>

// What the choice depends on, gathered once at start-up; tests fill it in.
struct TLocationFacts {
    std::string currentfolder;
    std::string programfile;
    bool programfolderwritable = true;
    // The data folder this build installs to, and the same folder relative
    // to the folder of the program file (so a moved prefix still works).
    std::string installeddatafolder;
    std::string datafolderfromprogram;
    // The user's data and configuration folders and the system's data
    // folders, most important first, as the desktop names them.
    std::string userdatafolder;
    std::string userconfigfolder;
    std::vector<std::string> systemdatafolders;
};

struct TFileLocations {
    bool workingfolder = true;
    // The folder the read-only data comes from; empty for the working folder,
    // and empty when no folder holds the sound bank.
    std::string datafolder;
    std::string ramfile = "ram.dat";
    std::string settingsfile = "vorkana.ini";
    // Every folder looked in for the sound bank, in order, when the working
    // folder did not hold it.
    std::vector<std::string> searchedfolders;

    // A read-only data file ("sounds.dat", "czech.ebt", "slovak.eky"...).
    std::string datafile(const std::string& name) const;
};

inline constexpr const char* soundbankname = "sounds.dat";

// The locations of this run; the defaults are the working folder's.
extern TFileLocations filelocations;

TLocationFacts locationfactsfromenvironment(const std::string& programfile);
TFileLocations findfilelocations(const TLocationFacts& facts);

// Creates the user's data and configuration folders the locations name,
// when missing. Returns an empty string, or what failed.
std::string createuserfolders(const TFileLocations& locations);

// The message for a missing sound bank: the start of the message (the
// localised "Can't find the file"), the file's name, and the folders searched.
std::string missingsoundbankmessage(const TFileLocations& locations, const std::string& start);
