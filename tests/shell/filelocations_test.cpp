#include "shell/filelocations.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
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
        facts.home = (root / "home").string();
        facts.xdgdatadirs = "/nonexistent/a:" + (root / "system").string();
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
    facts.xdgconfighome = at("config");
    TFileLocations locations = findfilelocations(facts);
    EXPECT_EQ(locations.ramfile, "ram.dat");
    EXPECT_EQ(locations.settingsfile, at("config/vorkana/vorkana.ini"));
}

TEST_F(FileLocationsTest, AnInstalledProgramTakesItsDataBesideItselfAndTheUsersFilesFromTheXdgFolders)
{
    bank("prefix/share/vorkana");
    bank("system/vorkana");
    facts.xdgdatahome = at("data");
    facts.xdgconfighome = at("config");
    TFileLocations locations = findfilelocations(facts);
    EXPECT_FALSE(locations.workingfolder);
    EXPECT_EQ(locations.datafile("slovak.eky"), at("prefix/share/vorkana/slovak.eky"));
    EXPECT_EQ(locations.ramfile, at("data/vorkana/ram.dat"));
    EXPECT_EQ(locations.settingsfile, at("config/vorkana/vorkana.ini"));
}

TEST_F(FileLocationsTest, UnsetOrRelativeXdgFoldersFallBackToTheHomeFolder)
{
    bank("system/vorkana");
    facts.xdgconfighome = "relative/config";
    TFileLocations locations = findfilelocations(facts);
    EXPECT_EQ(locations.datafolder, at("system/vorkana"));
    EXPECT_EQ(locations.ramfile, at("home/.local/share/vorkana/ram.dat"));
    EXPECT_EQ(locations.settingsfile, at("home/.config/vorkana/vorkana.ini"));
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
    facts.xdgdatahome = at("data");
    facts.xdgconfighome = at("config");
    TFileLocations locations = findfilelocations(facts);
    EXPECT_EQ(createuserfolders(locations), "");
    EXPECT_TRUE(fs::is_directory(root / "data/vorkana"));
    EXPECT_TRUE(fs::is_directory(root / "config/vorkana"));
}

TEST_F(FileLocationsTest, AFolderThatCannotBeCreatedIsNamed)
{
    std::ofstream(root / "data") << "a file where a folder should be";
    facts.xdgdatahome = at("data");
    facts.xdgconfighome = at("config");
    std::string problem = createuserfolders(findfilelocations(facts));
    EXPECT_NE(problem.find(at("data/vorkana")), std::string::npos) << problem;
}

}
