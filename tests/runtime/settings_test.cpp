#include "runtime/errors.h"
#include "runtime/filetexts.h"
#include "runtime/notices.h"
#include "runtime/settings.h"

#include <filesystem>
#include <functional>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>

namespace {

class SettingsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        // A file of each test's own: what could not be written is held for
        // the life of the process, by file.
        path = (std::filesystem::temp_directory_path()
            / ("vorkana-settings-" + std::to_string(::getpid()) + "-"
                + ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".ini"))
                   .string();
        std::filesystem::remove(path);
    }
    void TearDown() override { std::filesystem::remove(path); }

    std::string contents()
    {
        std::ifstream file(path);
        return { std::istreambuf_iterator<char>(file), {} };
    }

    // Writes through the file and returns what the user was told.
    std::vector<std::string> toldwhile(const std::function<void()>& writes)
    {
        std::vector<std::string> told;
        setnoticereceiver([&](const TTelling& telling) { told.push_back(telling.message); });
        writes();
        setnoticereceiver(nullptr);
        return told;
    }

    std::string path;
};

}

TEST_F(SettingsTest, MissingFileAndKeysReadAsDefaults)
{
    TSettingsFile file(path);
    EXPECT_FALSE(file.exists());
    EXPECT_EQ(file.readinteger(settings::volume), 255);
    EXPECT_TRUE(file.readboolean(settings::vorkanasounds));
    EXPECT_EQ(file.readtext(settings::person), "");
}

TEST_F(SettingsTest, NamesMatchWhateverTheirLetterCase)
{
    std::ofstream(path) << "[voice]\nsapi5=1\nPERSON=Jakub\n[SOUNDS]\nSndVolume=-2500\n";
    TSettingsFile file(path);
    EXPECT_TRUE(file.readboolean(settings::sapi5));
    EXPECT_EQ(file.readtext(settings::person), "Jakub");
    EXPECT_EQ(file.readinteger(settings::sndvolume), -2500);
}

TEST_F(SettingsTest, MalformedValuesReadAsDefaultAndOutOfRangeAreClamped)
{
    std::ofstream(path) << "[sounds]\nvorkanasounds=yes\nsndvolume=-99999\n[Voice]\nvolume=12x\n";
    TSettingsFile file(path);
    EXPECT_TRUE(file.readboolean(settings::vorkanasounds));
    EXPECT_EQ(file.readinteger(settings::sndvolume), -10000);
    EXPECT_EQ(file.readinteger(settings::volume), 255);
}

TEST_F(SettingsTest, TheFirstOfTwoEqualKeysCounts)
{
    std::ofstream(path) << "[keyboard]\nbraillekeys=1\nbraillekeys=0\n";
    EXPECT_TRUE(TSettingsFile(path).readboolean(settings::braillekeys));
}

TEST_F(SettingsTest, WritesCreateTheFileWithoutSpacesAndKeepOtherKeys)
{
    TSettingsFile file(path);
    file.writeboolean(settings::voiceallowed, true);
    EXPECT_EQ(contents(), "[voice]\nvoiceallowed=1\n");
    file.writeinteger(settings::sndvolume, -500);
    file.writetext(settings::person, "cs");
    file.writeboolean(settings::voiceallowed, false);
    EXPECT_FALSE(file.readboolean(settings::voiceallowed));
    EXPECT_EQ(file.readinteger(settings::sndvolume), -500);
    EXPECT_EQ(file.readtext(settings::person), "cs");
    EXPECT_FALSE(std::filesystem::exists(path + ".tmp"));
}

TEST_F(SettingsTest, AFileThatCannotBeReadIsNeverWrittenOver)
{
    std::filesystem::create_directory(path);
    TSettingsFile file(path);
    EXPECT_EQ(file.readinteger(settings::language), 1000);
    auto told = toldwhile([&] {
        file.writeinteger(settings::language, 2000);
        file.writeinteger(settings::language, 3000);
    });
    EXPECT_EQ(told, std::vector<std::string> { filetext(TFileText::settingsnotread, path) });
    // The program goes on with the value in memory.
    EXPECT_EQ(file.readinteger(settings::language), 3000);
    EXPECT_TRUE(std::filesystem::is_directory(path));
    std::filesystem::remove(path);
}

TEST_F(SettingsTest, AFileOfMegabytesReadsAsDefaultsAndIsNeverWrittenOver)
{
    std::string large = "[sounds]\nsndvolume=-2500\n";
    while (large.size() <= 2 * 1024 * 1024)
        large += "; a line of no meaning to anyone\n";
    std::ofstream(path, std::ios::binary) << large;
    TSettingsFile file(path);
    EXPECT_EQ(file.readinteger(settings::sndvolume), 0);
    EXPECT_EQ(toldwhile([&] { file.writeinteger(settings::sndvolume, -100); }).size(), 1u);
    EXPECT_EQ(contents(), large);
}

// A folder that cannot be written stops nothing: every value holds in
// memory, the user is told once where and why, and once the file can be
// written the held values go into it with the next write.
TEST_F(SettingsTest, AFolderThatCannotBeWrittenKeepsTheValuesInMemoryUntilItCan)
{
    std::filesystem::create_directory(path + ".tmp"); // the temporary file cannot be made
    TSettingsFile file(path);
    auto told = toldwhile([&] {
        file.writeinteger(settings::sndvolume, -700);
        file.writetext(settings::person, "Jakub");
    });
    ASSERT_EQ(told.size(), 1u);
    EXPECT_NE(told[0].find(path), std::string::npos) << told[0];
    EXPECT_EQ(file.readinteger(settings::sndvolume), -700);
    EXPECT_EQ(file.readtext(settings::person), "Jakub");
    EXPECT_FALSE(file.exists());
    std::filesystem::remove(path + ".tmp");
    file.writeinteger(settings::pitch, 50);
    EXPECT_NE(contents().find("sndvolume=-700"), std::string::npos) << contents();
    EXPECT_NE(contents().find("person=Jakub"), std::string::npos) << contents();
}
