#include "runtime/cells.h"
#include "runtime/switchsettings.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <unistd.h>

namespace {

class SwitchSettingsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        resetcells();
        path = (std::filesystem::temp_directory_path() / ("vorkana-switches-" + std::to_string(::getpid()) + ".ini")).string();
        std::filesystem::remove(path);
    }
    void TearDown() override
    {
        std::filesystem::remove(path);
        resetcells();
    }

    std::string contents()
    {
        std::ifstream file(path);
        return { std::istreambuf_iterator<char>(file), {} };
    }

    std::string path;
};

}

TEST_F(SwitchSettingsTest, TheFirstRunWritesOnlyWhetherTheVoiceIsAllowed)
{
    struct TRow {
        bool enumerator;
        const char* file;
    };
    for (TRow row : { TRow { true, "[voice]\nvoiceallowed=1\n" }, TRow { false, "[voice]\nvoiceallowed=0\n" } }) {
        std::filesystem::remove(path);
        switches.soundvolume = -300;
        EXPECT_FALSE(readsettings(TSettingsFile(path), row.enumerator));
        EXPECT_EQ(switches.voiceallowed, row.enumerator);
        EXPECT_EQ(switches.soundvolume, -300);
        EXPECT_EQ(contents(), row.file);
    }
}

TEST_F(SwitchSettingsTest, AnExistingFileIsReadWhateverTheCaseOfItsNames)
{
    std::ofstream(path) << "[VOICE]\nVoiceAllowed=0\nSapi5=1\n[Sounds]\nVORKANASOUNDS=0\nsndvolume=-2500\n[keyboard]\nbraillekeys=7\n";
    EXPECT_TRUE(readsettings(TSettingsFile(path), true));
    EXPECT_FALSE(switches.voiceallowed);
    EXPECT_FALSE(switches.soundsenabled);
    EXPECT_EQ(switches.soundvolume, -2500);
    EXPECT_TRUE(switches.braillekeyboard);
}

TEST_F(SwitchSettingsTest, MalformedValuesReadAsTheirDefaults)
{
    std::ofstream(path) << "[voice]\nvoiceallowed=yes\nsapi5=x1\n[sounds]\nvorkanasounds=\nsndvolume=-25db\n[keyboard]\nbraillekeys=on\n";
    EXPECT_FALSE(readsettings(TSettingsFile(path), false));
    EXPECT_TRUE(switches.voiceallowed);
    EXPECT_TRUE(switches.soundsenabled);
    EXPECT_EQ(switches.soundvolume, 0);
    EXPECT_FALSE(switches.braillekeyboard);
}

TEST_F(SwitchSettingsTest, WritingAndReadingBackKeepsTheSwitches)
{
    switches = { true, false, -4200, true, false, false };
    writesettings(TSettingsFile(path));
    switches = {};
    readsettings(TSettingsFile(path), false);
    EXPECT_TRUE(switches.voiceallowed);
    EXPECT_FALSE(switches.soundsenabled);
    EXPECT_EQ(switches.soundvolume, -4200);
    EXPECT_TRUE(switches.braillekeyboard);
}
