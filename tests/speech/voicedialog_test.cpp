// The voice settings dialog driven as a user would, offscreen, over the
// recording engines.

#include "speechdoubles.h"

#include "platform/screenreader.h"
#include "runtime/cells.h"
#include "runtime/services.h"
#include "runtime/settings.h"
#include "speech/TTSVar.h"
#include "speech/voicedialog.h"
#include "speech/speechlayer.h"
#include "speech/speechmessages.h"
#include "speech/voiceselection.h"
#include "runtime/ResourceLocalizer.h"

#include <QApplication>
#include <QDialog>
#include <QListWidget>
#include <QSlider>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

using TEntries = std::vector<std::string>;

class VoiceDialog : public ::testing::Test {
protected:
    void SetUp() override
    {
        resetcells();
        resetttsvar();
        CurrentLanguage = 2000;
        settingsfilename = directory.filePath("vorkana.ini").toStdString();
        TSettingsFile(settingsfilename).writeboolean(settings::voiceallowed, true);
        voiceselection = TVoiceSelection {};
        voiceselection.initspeech(std::make_unique<TRecordingEnum>(transcript,
            std::vector<TEngineBehaviour> { { "Czech" }, { "Jakub" }, { "English" } }));
        services.speech = &speechlayer;
        form = std::make_unique<TForm4>();
        showvoicemessagebox = [this](const std::string& message) { messages.push_back(message); };
    }

    void TearDown() override
    {
        setscreenreaderlistening(false);
        form.reset();
        voiceselection.release();
    }

    // Opens the dialog; the action runs once it is shown and active.
    void open(std::function<void()> action)
    {
        QTimer::singleShot(0, [this, action] {
            QTRY_VERIFY_WITH_TIMEOUT(form->isActiveWindow() && form->dialogentered, 5000);
            transcriptatopen = said();
            transcript.entries.clear();
            action();
        });
        voicesubmenucommand(*form, "Vorkana Basic Interpreter");
    }

    TEntries said() const { return transcript.of("text"); }

    QTemporaryDir directory;
    TSpeechTranscript transcript;
    TEventHost host { transcript };
    std::unique_ptr<TForm4> form;
    std::vector<std::string> messages;
    TEntries transcriptatopen;
};

TEST_F(VoiceDialog, FirstOpeningSavesTheDefaultVoiceAndAnnouncesTitleThenVoice)
{
    switches.voiceallowed = true;
    open([this] { form->reject(); });
    EXPECT_EQ(TSettingsFile(settingsfilename).readtext(settings::person), "Jakub");
    EXPECT_EQ(form->voicelist->currentRow(), 1);
    // The list got the focus first, but says nothing before the title.
    EXPECT_EQ(transcriptatopen, (TEntries { "Voice settings", "&Voices Jakub" }));
    EXPECT_EQ(said(), (TEntries { "Vorkana Basic Interpreter" }));
    EXPECT_TRUE(form->speedtb->isEnabled());
    EXPECT_FALSE(form->dialogentered);
}

TEST_F(VoiceDialog, MovingTheVolumeSliderInjectsAndSpeaksTheNewValue)
{
    switches.voiceallowed = true;
    TSettingsFile(settingsfilename).writetext(settings::person, "Czech");
    TSettingsFile(settingsfilename).writeinteger(settings::volume, 200);
    open([this] {
        form->volumetb->setFocus();
        transcript.entries.clear();
        QTest::keyClick(form->volumetb, Qt::Key_Right);
        form->reject();
    });
    ASSERT_GE(transcript.entries.size(), 3u);
    EXPECT_EQ(TEntries(transcript.entries.begin(), transcript.entries.begin() + 3),
        (TEntries { "reset", "inject \\Vol=51456\\", "text 201" }));
}

TEST_F(VoiceDialog, FirstOpeningAfterStartUpKeepsTheSavedVoice)
{
    switches.voiceallowed = true;
    TSettingsFile file(settingsfilename);
    file.writetext(settings::person, "English");
    file.writeinteger(settings::volume, 200);
    open([this] { form->reject(); });
    EXPECT_EQ(file.readtext(settings::person), "English");
    EXPECT_EQ(file.readinteger(settings::volume), 200);
    EXPECT_EQ(form->voicelist->currentRow(), 2);
    EXPECT_EQ(form->volumetb->value(), 200);
}

TEST_F(VoiceDialog, EscapeKeepsTheSavedVoiceAndOkSavesTheNewOne)
{
    switches.voiceallowed = true;
    open([this] {
        QTest::keyClick(form->voicelist, Qt::Key_Down);
        QTest::keyClick(form->voicelist, Qt::Key_Escape);
    });
    EXPECT_EQ(TSettingsFile(settingsfilename).readtext(settings::person), "Jakub");
    EXPECT_EQ(said().back(), "Vorkana Basic Interpreter");

    open([this] {
        QTest::keyClick(form->voicelist, Qt::Key_Down);
        QTest::keyClick(form->voicelist, Qt::Key_Return);
    });
    EXPECT_EQ(TSettingsFile(settingsfilename).readtext(settings::person), "English");
    EXPECT_EQ(voiceselection.currentmode(), "English");
    EXPECT_EQ(said().back(), "Voice selected.");
}

TEST_F(VoiceDialog, TabbingToTheSpeedSliderCutsSpeechAndSaysLabelAndValue)
{
    switches.voiceallowed = true;
    open([this] {
        QTest::keyClick(form->voicelist, Qt::Key_Tab);
        QTest::keyClick(form->pitchtb, Qt::Key_Tab);
        form->reject();
    });
    auto speed = std::find(transcript.entries.begin(), transcript.entries.end(), "text &Speed 150");
    ASSERT_NE(speed, transcript.entries.end());
    EXPECT_EQ(*(speed - 1), "reset");
}

// A screen reader names the dialog, its controls, the list's items and the
// main window coming back; the program's voice stays out of its way, but
// for what only it can say.
TEST_F(VoiceDialog, BesideAScreenReaderOnlyWhatItCannotSayIsSaid)
{
    switches.voiceallowed = true;
    setscreenreaderlistening(true);
    open([this] {
        QTest::keyClick(form->voicelist, Qt::Key_Down);
        QTest::keyClick(form->voicelist, Qt::Key_Tab);
        QTest::keyClick(form->pitchtb, Qt::Key_Tab);
        QTest::keyClick(form->speedtb, Qt::Key_Right);
        form->accept();
    });
    EXPECT_EQ(transcriptatopen, TEntries {});
    EXPECT_EQ(said(), (TEntries { "151", "Voice selected." }));
}

TEST_F(VoiceDialog, ComingBackFromAnotherWindowSaysNothingAgain)
{
    switches.voiceallowed = true;
    open([this] {
        QTest::keyClick(form->voicelist, Qt::Key_Tab);
        TEntries tabbed = said();
        QDialog other(form.get());
        other.show();
        other.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&other));
        other.close();
        form->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(form.get()));
        QCoreApplication::processEvents();
        EXPECT_EQ(said(), tabbed);
        form->reject();
    });
}

TEST_F(VoiceDialog, TheVoiceNotAllowedShowsTheMessageInsteadOfTheDialog)
{
    switches.voiceallowed = false;
    voicesubmenucommand(*form, "Vorkana Basic Interpreter");
    EXPECT_EQ(messages, (std::vector<std::string> { text(18) }));
    EXPECT_FALSE(form->isVisible());
}

}

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
