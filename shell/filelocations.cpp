#include "shell/filelocations.h"

#include <QFile>
#include <QStandardPaths>
#include <cstdlib>
#include <filesystem>
#include <pwd.h>
#include <unistd.h>

TFileLocations filelocations;

namespace {

namespace fs = std::filesystem;

constexpr const char* foldername = "vorkana";
constexpr const char* settingsname = "vorkana.ini";

std::string environment(const char* name)
{
    const char* value = std::getenv(name);
    return value ? value : "";
}

bool holdssoundbank(const fs::path& folder)
{
    std::error_code status;
    return fs::is_regular_file(folder / soundbankname, status);
}

// A base folder of the user's as Qt names it, but where Qt parts from the
// XDG base directory rules: it takes a relative XDG variable as it is, where
// the rules say to ignore it, and without HOME it puts the folder under the
// root folder, where the password database knows the user's home.
std::string userfolder(QStandardPaths::StandardLocation type, const char* variable, const char* fallback)
{
    std::string folder = QFile::encodeName(QStandardPaths::writableLocation(type)).toStdString();
    if (environment(variable).empty() ? !environment("HOME").empty() : fs::path(folder).is_absolute())
        return folder;
    std::string home = environment("HOME");
    if (home.empty())
        if (const passwd* user = getpwuid(getuid()))
            home = user->pw_dir ? user->pw_dir : "";
    return (fs::path(home) / fallback).string();
}

std::vector<fs::path> datafoldercandidates(const TLocationFacts& facts)
{
    std::vector<fs::path> candidates;
    auto add = [&](const fs::path& folder) {
        if (folder.empty())
            return;
        fs::path normal = folder.lexically_normal();
        if (!normal.has_filename())
            normal = normal.parent_path();
        for (const fs::path& known : candidates)
            if (known == normal)
                return;
        candidates.push_back(normal);
    };
    if (!facts.datafolderfromprogram.empty() && !facts.programfile.empty())
        add(fs::path(facts.programfile).parent_path() / facts.datafolderfromprogram);
    add(facts.installeddatafolder);
    for (const std::string& folder : facts.systemdatafolders)
        add(fs::path(folder) / foldername);
    return candidates;
}

}

std::string TFileLocations::datafile(const std::string& name) const
{
    if (datafolder.empty())
        return name;
    return (fs::path(datafolder) / name).string();
}

TLocationFacts locationfactsfromenvironment(const std::string& programfile)
{
    TLocationFacts facts;
    std::error_code status;
    facts.currentfolder = fs::current_path(status).string();
    facts.programfile = programfile;
    std::string programfolder = fs::path(programfile).parent_path().string();
    facts.programfolderwritable = !programfolder.empty() && access(programfolder.c_str(), W_OK) == 0;
#ifdef VORKANA_INSTALLED_DATA_DIR
    facts.installeddatafolder = VORKANA_INSTALLED_DATA_DIR;
#endif
#ifdef VORKANA_DATA_DIR_FROM_PROGRAM
    facts.datafolderfromprogram = VORKANA_DATA_DIR_FROM_PROGRAM;
#endif
    facts.userdatafolder = userfolder(QStandardPaths::GenericDataLocation, "XDG_DATA_HOME", ".local/share");
    facts.userconfigfolder = userfolder(QStandardPaths::GenericConfigLocation, "XDG_CONFIG_HOME", ".config");
    // The user's own data folder comes first; the sound bank is not looked
    // for there.
    QStringList datafolders = QStandardPaths::standardLocations(QStandardPaths::GenericDataLocation);
    for (qsizetype index = 1; index < datafolders.size(); ++index)
        facts.systemdatafolders.push_back(QFile::encodeName(datafolders[index]).toStdString());
    return facts;
}

TFileLocations findfilelocations(const TLocationFacts& facts)
{
    TFileLocations locations;
    fs::path configfolder = fs::path(facts.userconfigfolder) / foldername;
    fs::path besideprogram = fs::path(facts.programfile).replace_extension(".ini");

    if (holdssoundbank(facts.currentfolder)) {
        // Today's behaviour, byte for byte: bare names in the current
        // directory, the settings beside the program. A program folder the
        // user cannot write to would lose every setting, so then the
        // settings go to the user's configuration folder.
        locations.settingsfile = facts.programfolderwritable ? besideprogram.string() : (configfolder / settingsname).string();
        return locations;
    }

    locations.workingfolder = false;
    locations.searchedfolders.push_back(facts.currentfolder);
    for (const fs::path& candidate : datafoldercandidates(facts)) {
        locations.searchedfolders.push_back(candidate.string());
        if (locations.datafolder.empty() && holdssoundbank(candidate))
            locations.datafolder = candidate.string();
    }
    if (!locations.datafolder.empty())
        locations.searchedfolders.clear();
    locations.ramfile = (fs::path(facts.userdatafolder) / foldername / "ram.dat").string();
    locations.settingsfile = (configfolder / settingsname).string();
    return locations;
}

std::string createuserfolders(const TFileLocations& locations)
{
    std::string problems;
    for (const std::string& file : { locations.ramfile, locations.settingsfile }) {
        fs::path folder = fs::path(file).parent_path();
        if (folder.empty())
            continue;
        std::error_code status;
        fs::create_directories(folder, status);
        if (status)
            problems += (problems.empty() ? "" : "\n") + ("cannot create the folder \"" + folder.string() + "\": " + status.message());
    }
    return problems;
}

std::string missingsoundbankmessage(const TFileLocations& locations, const std::string& start)
{
    std::string message = start + " " + soundbankname;
    for (const std::string& folder : locations.searchedfolders)
        message += "\n" + folder;
    return message;
}
