#include "shell/filelocations.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <map>
#include <optional>
#include <pwd.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

class FileLocationsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        root = fs::temp_directory_path() / ("vorkana-locations-" + std::to_string(::getpid()));
        fs::remove_all(root);
        for (const char* folder : { "work", "prefix/bin", "prefix/share/vorkana", "home", "system/vorkana" })
            fs::create_directories(root / folder);
        facts.currentfolder = (root / "work").string();
        facts.programfile = (root / "prefix/bin/vorkana").string();
        facts.datafolderfromprogram = "../share/vorkana";
        facts.installeddatafolder = "/nonexistent/share/vorkana";
        facts.userdatafolder = (root / "home/.local/share").string();
        facts.userconfigfolder = (root / "home/.config").string();
        facts.systemdatafolders = { "/nonexistent/a", (root / "system").string() };
    }
    void TearDown() override { fs::remove_all(root); }

    void bank(const std::string& folder) { std::ofstream(root / folder / soundbankname) << "bank"; }
    std::string at(const std::string& relative) const { return (root / relative).string(); }

    fs::path root;
    TLocationFacts facts;
};

TEST_F(FileLocationsTest, AWorkingFolderWithTheBankKeepsBareNamesAndTheSettingsBesideTheProgram)
{
    bank("work");
    bank("prefix/share/vorkana");
    TFileLocations locations = findfilelocations(facts);
    EXPECT_TRUE(locations.workingfolder);
    EXPECT_EQ(locations.datafile("czech.ebt"), "czech.ebt");
    EXPECT_EQ(locations.ramfile, "ram.dat");
    EXPECT_EQ(locations.settingsfile, at("prefix/bin/vorkana.ini"));
}

TEST_F(FileLocationsTest, AWorkingFolderBesideAProgramFolderNobodyMayWriteKeepsTheSettingsInTheConfigurationFolder)
{
    bank("work");
    facts.programfolderwritable = false;
    facts.userconfigfolder = at("config");
    TFileLocations locations = findfilelocations(facts);
    EXPECT_EQ(locations.ramfile, "ram.dat");
    EXPECT_EQ(locations.settingsfile, at("config/vorkana/vorkana.ini"));
}

TEST_F(FileLocationsTest, AnInstalledProgramTakesItsDataBesideItselfAndTheUsersFilesFromTheXdgFolders)
{
    bank("prefix/share/vorkana");
    bank("system/vorkana");
    facts.userdatafolder = at("data");
    facts.userconfigfolder = at("config");
    TFileLocations locations = findfilelocations(facts);
    EXPECT_FALSE(locations.workingfolder);
    EXPECT_EQ(locations.datafile("slovak.eky"), at("prefix/share/vorkana/slovak.eky"));
    EXPECT_EQ(locations.ramfile, at("data/vorkana/ram.dat"));
    EXPECT_EQ(locations.settingsfile, at("config/vorkana/vorkana.ini"));
}

// The folders as the environment names them, each case with its own
// variables; the test's own are put back afterwards.
class LocationEnvironmentTest : public ::testing::Test {
protected:
    void TearDown() override
    {
        for (const auto& [name, value] : saved)
            value ? setenv(name.c_str(), value->c_str(), 1) : unsetenv(name.c_str());
    }
    void set(const std::string& name, const char* value)
    {
        if (!saved.count(name)) {
            const char* old = std::getenv(name.c_str());
            saved[name] = old ? std::optional<std::string>(old) : std::nullopt;
        }
        value ? setenv(name.c_str(), value, 1) : unsetenv(name.c_str());
    }
    TLocationFacts facts() { return locationfactsfromenvironment("/opt/vorkana/bin/vorkana"); }

    std::map<std::string, std::optional<std::string>> saved;
};

TEST_F(LocationEnvironmentTest, AbsoluteXdgFoldersAreTakenAndUnsetOrRelativeOnesFallBackToTheHomeFolder)
{
    set("HOME", "/home/listener");
    set("XDG_DATA_HOME", "/srv/data");
    set("XDG_CONFIG_HOME", "/srv/config");
    EXPECT_EQ(facts().userdatafolder, "/srv/data");
    EXPECT_EQ(facts().userconfigfolder, "/srv/config");

    set("XDG_DATA_HOME", nullptr);
    set("XDG_CONFIG_HOME", "relative/config");
    EXPECT_EQ(facts().userdatafolder, "/home/listener/.local/share");
    EXPECT_EQ(facts().userconfigfolder, "/home/listener/.config");
}

TEST_F(LocationEnvironmentTest, WithoutHomeTheUsersHomeComesFromThePasswordDatabase)
{
    const passwd* user = getpwuid(getuid());
    ASSERT_NE(user, nullptr);
    set("HOME", nullptr);
    set("XDG_DATA_HOME", nullptr);
    set("XDG_CONFIG_HOME", "/srv/config");
    EXPECT_EQ(facts().userdatafolder, (fs::path(user->pw_dir) / ".local/share").string());
    EXPECT_EQ(facts().userconfigfolder, "/srv/config");
}

// The user's own data folder is not among them: the sound bank is never
// looked for there.
TEST_F(LocationEnvironmentTest, TheSystemsDataFoldersSkipRelativeAndRepeatedOnesAndDefaultToUsrShare)
{
    set("XDG_DATA_HOME", "/srv/data");
    set("XDG_DATA_DIRS", "/opt/a//share/:relative::/opt/a/share:/usr/share");
    EXPECT_EQ(facts().systemdatafolders, (std::vector<std::string> { "/opt/a/share", "/usr/share" }));
    set("XDG_DATA_DIRS", nullptr);
    EXPECT_EQ(facts().systemdatafolders, (std::vector<std::string> { "/usr/local/share", "/usr/share" }));
}

TEST_F(FileLocationsTest, AMissingBankIsReportedWithEveryFolderSearched)
{
    TFileLocations locations = findfilelocations(facts);
    EXPECT_EQ(missingsoundbankmessage(locations, "Can't find the file"),
        "Can't find the file sounds.dat\n" + at("work") + "\n" + at("prefix/share/vorkana")
            + "\n/nonexistent/share/vorkana\n/nonexistent/a/vorkana\n" + at("system/vorkana"));
}

TEST_F(FileLocationsTest, TheWorkingFolderMessageIsTheOneItAlwaysWas)
{
    EXPECT_EQ(missingsoundbankmessage(TFileLocations {}, "Can't find the file"), "Can't find the file sounds.dat");
}

TEST_F(FileLocationsTest, TheUsersFoldersAreCreatedWhenMissing)
{
    facts.userdatafolder = at("data");
    facts.userconfigfolder = at("config");
    TFileLocations locations = findfilelocations(facts);
    EXPECT_EQ(createuserfolders(locations), "");
    EXPECT_TRUE(fs::is_directory(root / "data/vorkana"));
    EXPECT_TRUE(fs::is_directory(root / "config/vorkana"));
}

TEST_F(FileLocationsTest, AFolderThatCannotBeCreatedIsNamed)
{
    std::ofstream(root / "data") << "a file where a folder should be";
    facts.userdatafolder = at("data");
    facts.userconfigfolder = at("config");
    std::string problem = createuserfolders(findfilelocations(facts));
    EXPECT_NE(problem.find(at("data/vorkana")), std::string::npos) << problem;
}

}
