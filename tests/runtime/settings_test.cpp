#include "runtime/errors.h"
#include "runtime/settings.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>

namespace {

class SettingsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        path = (std::filesystem::temp_directory_path() / ("vorkana-settings-" + std::to_string(::getpid()) + ".ini")).string();
        std::filesystem::remove(path);
    }
    void TearDown() override { std::filesystem::remove(path); }

    std::string contents()
    {
        std::ifstream file(path);
        return { std::istreambuf_iterator<char>(file), {} };
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
    EXPECT_THROW(file.writeinteger(settings::language, 2000), TVorkanaError);
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
    EXPECT_THROW(file.writeinteger(settings::sndvolume, -100), TVorkanaError);
    EXPECT_EQ(contents(), large);
}
