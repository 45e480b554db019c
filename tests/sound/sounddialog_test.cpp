#include "runtime/cells.h"
#include "runtime/settings.h"
#include "sound/sounddialog.h"
#include "sound/soundssubmenu.h"
#include "tests/support/scriptedhost.h"
#include "runtime/ResourceLocalizer.h"

#include <QApplication>
#include <QCheckBox>
#include <QPushButton>
#include <QSlider>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <unistd.h>

namespace {

class TQtEnvironment : public ::testing::Environment {
public:
    void SetUp() override
    {
        static int argc = 1;
        static char name[] = "sound_form_tests";
        static char* argv[] = { name, nullptr };
        application = std::make_unique<QApplication>(argc, argv);
    }
    void TearDown() override { application.reset(); }
    std::unique_ptr<QApplication> application;
};

const auto* environment = ::testing::AddGlobalTestEnvironment(new TQtEnvironment);

// Captions are set when the dialog is made, so the language comes first.
struct TEnglishTexts {
    TEnglishTexts() { CurrentLanguage = 2000; }
};

class SoundsDialogTest : public ::testing::Test, protected TEnglishTexts {
protected:
    void SetUp() override
    {
        resetcells();
        // Other runs of this test may share the folder at the same time.
        settingsfilename = testing::TempDir() + "sounds_dialog_test-" + std::to_string(::getpid()) + ".ini";
        std::remove(settingsfilename.c_str());
        allowing.voiceenumeratorexists = [this] { return enumeratorexists; };
        allowing.allowvoice = [this] { ++voiceallowedcalls; };
        allowing.showmessage = [this](const std::string& text) { messages.push_back(text); };
        allowing.enablevoicecommand = [this](bool enabled) { voicecommandenabled = enabled; };
    }
    void TearDown() override { std::remove(settingsfilename.c_str()); }

    // Opens the dialog through the command; the user's part runs once the
    // dialog is up and active, and must close it.
    void open(const std::function<void()>& user)
    {
        QTimer::singleShot(0, &dialog, [&] {
            ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
            user();
        });
        soundssubmenucommand(dialog, allowing);
    }

    void pressslider(Qt::Key key, int times)
    {
        for (int i = 0; i < times; ++i)
            QTest::keyClick(dialog.sndvoltrackbar, key);
    }

    std::string settingsfile() const
    {
        std::ifstream file(settingsfilename);
        std::stringstream contents;
        contents << file.rdbuf();
        return contents.str();
    }

    TScriptedHost host;
    TForm5 dialog;
    TVoiceAllowing allowing;
    bool enumeratorexists = true;
    int voiceallowedcalls = 0;
    std::vector<std::string> messages;
    std::optional<bool> voicecommandenabled;
};

TEST_F(SoundsDialogTest, CaptionsAndAccessibleNamesComeFromTheTexts)
{
    EXPECT_EQ(dialog.windowTitle().toStdString(), text(21));
    EXPECT_EQ(dialog.voicecheckbox->text().toStdString(), text(22));
    EXPECT_EQ(dialog.vorkanasoundschk->text().toStdString(), text(39));
    EXPECT_EQ(dialog.okbitbtn->text().toStdString(), text(7));
    EXPECT_EQ(dialog.cancelbitbtn->text().toStdString(), text(8));
    for (QWidget* control : std::initializer_list<QWidget*> { dialog.voicecheckbox, dialog.vorkanasoundschk,
             dialog.sndvoltrackbar, dialog.okbitbtn, dialog.cancelbitbtn }) {
        EXPECT_FALSE(control->accessibleName().isEmpty()) << control->metaObject()->className();
        EXPECT_FALSE(control->accessibleName().contains('&'));
    }
}

TEST_F(SoundsDialogTest, SliderShowsTheVolumeWithoutATone)
{
    struct TRow {
        int volume;
        int position;
        int volumeafter;
    };
    for (TRow row : { TRow { -10000, 0, -10000 }, TRow { -2500, 75, -2500 }, TRow { 0, 100, 0 }, TRow { -2550, 74, -2600 } }) {
        SCOPED_TRACE(row.volume);
        switches.soundvolume = row.volume;
        int shown = -1;
        open([&] {
            shown = dialog.sndvoltrackbar->value();
            dialog.cancelbitbtn->click();
        });
        EXPECT_EQ(shown, row.position);
        EXPECT_EQ(switches.soundvolume, row.volumeafter);
    }
    EXPECT_TRUE(host.entries("tone").empty());
    EXPECT_FALSE(std::filesystem::exists(settingsfilename));
}

TEST_F(SoundsDialogTest, EachSliderStepPlaysTheTestToneAndCancelPutsTheVolumeBack)
{
    int volumebeforecancel = 1;
    open([&] {
        pressslider(Qt::Key_Left, 10);
        volumebeforecancel = switches.soundvolume;
        dialog.cancelbitbtn->click();
    });
    EXPECT_EQ(volumebeforecancel, -1000);
    EXPECT_EQ(host.entries("tone"), std::vector<std::string>(10, "tone 1000 100ms timbre 1"));
    EXPECT_EQ(switches.soundvolume, 0);
    EXPECT_FALSE(std::filesystem::exists(settingsfilename));
}

TEST_F(SoundsDialogTest, SoundsSwitchEnablesTheSliderAndTestTonesFollowTheSavedSwitch)
{
    switches.soundsenabled = false;
    bool enabledatopening = true, enabledafterclick = false;
    open([&] {
        enabledatopening = dialog.sndvoltrackbar->isEnabled();
        QTest::mouseClick(dialog.vorkanasoundschk, Qt::LeftButton);
        enabledafterclick = dialog.sndvoltrackbar->isEnabled();
        pressslider(Qt::Key_Left, 3);
        dialog.okbitbtn->click();
    });
    EXPECT_FALSE(enabledatopening);
    EXPECT_TRUE(enabledafterclick);
    EXPECT_TRUE(host.entries("tone").empty()); // sounds were still off while the dialog was open
    EXPECT_TRUE(switches.soundsenabled);
    EXPECT_EQ(switches.soundvolume, -300);

    bool enabledafteruncheck = true;
    open([&] {
        QTest::mouseClick(dialog.vorkanasoundschk, Qt::LeftButton);
        enabledafteruncheck = dialog.sndvoltrackbar->isEnabled();
        dialog.okbitbtn->click();
    });
    EXPECT_FALSE(enabledafteruncheck);
    EXPECT_FALSE(switches.soundsenabled);
}

TEST_F(SoundsDialogTest, OkAllowsTheVoiceWhenAVoiceCanBeFound)
{
    struct TRow {
        const char* name;
        bool enumerator;
        bool expectedallowed;
        int expectedallowcalls;
        std::size_t expectedmessages;
    };
    for (TRow row : { TRow { "with voices", true, true, 1, 0 }, TRow { "without voices", false, false, 0, 1 } }) {
        SCOPED_TRACE(row.name);
        switches.voiceallowed = false;
        enumeratorexists = row.enumerator;
        voiceallowedcalls = 0;
        messages.clear();
        open([&] {
            QTest::keyClick(dialog.voicecheckbox, Qt::Key_Space);
            dialog.okbitbtn->click();
        });
        EXPECT_EQ(switches.voiceallowed, row.expectedallowed);
        EXPECT_EQ(voiceallowedcalls, row.expectedallowcalls);
        ASSERT_EQ(messages.size(), row.expectedmessages);
        if (!messages.empty()) {
            EXPECT_EQ(messages[0], "Can't allow voice, no voices are available");
        }
        EXPECT_EQ(voicecommandenabled, row.expectedallowed);
        EXPECT_EQ(TSettingsFile(settingsfilename).readboolean(settings::voiceallowed), row.expectedallowed);
    }
}

TEST_F(SoundsDialogTest, OkLeavesTheVoiceCommandOffWhileTheSystemVoiceSpeaks)
{
    switches.voiceallowed = true;
    switches.usesapi5 = true;
    open([&] { dialog.okbitbtn->click(); });
    EXPECT_TRUE(switches.voiceallowed);
    EXPECT_EQ(voicecommandenabled, false);
}

TEST_F(SoundsDialogTest, OkWritesTheFourSwitchesInOrder)
{
    switches.voiceallowed = true;
    switches.braillekeyboard = true;
    open([&] {
        pressslider(Qt::Key_Left, 2);
        QTest::keyClick(dialog.voicecheckbox, Qt::Key_Space);
        dialog.okbitbtn->click();
    });
    auto written = settingsfile();
    std::size_t previous = 0;
    for (const char* line : { "[voice]\nvoiceallowed=0", "[sounds]\nvorkanasounds=1\nsndvolume=-200", "[keyboard]\nbraillekeys=1" }) {
        auto at = written.find(line);
        ASSERT_NE(at, std::string::npos) << line << " in " << written;
        EXPECT_GE(at, previous) << line;
        previous = at;
    }
    EXPECT_EQ(voicecommandenabled, false);
}

}
