#include "speechdoubles.h"

#include "runtime/cells.h"
#include "runtime/services.h"
#include "runtime/settings.h"
#include "speech/TTSVar.h"
#include "speech/speechlayer.h"
#include "speech/speechmessages.h"
#include "speech/voiceselection.h"
#include "runtime/ResourceLocalizer.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

using TEntries = std::vector<std::string>;

class VoiceSelection : public ::testing::Test {
protected:
    void SetUp() override
    {
        resetcells();
        resetttsvar();
        CurrentLanguage = 2000;
        settingsfilename = directory.filePath("vorkana.ini").toStdString();
        switches.voiceallowed = true;
        voiceselection = TVoiceSelection {};
        voiceselection.createsink();
        speechlayer.setsystemvoice(nullptr);
        services.speech = &speechlayer;
        showvoicemessagebox = [this](const std::string& message) { messages.push_back(message); };
        endprocessnow = [this] { ++endings; };
    }

    void TearDown() override { voiceselection.release(); }

    void install(std::vector<TEngineBehaviour> voices)
    {
        voiceselection.initspeech(std::make_unique<TRecordingEnum>(transcript, std::move(voices)));
    }

    TEntries injected() const { return transcript.of("inject"); }

    QTemporaryDir directory;
    TSpeechTranscript transcript;
    TEventHost host { transcript };
    std::vector<std::string> messages;
    int endings = 0;
};

TEST_F(VoiceSelection, PreselectsJakubExactlyOrElseTheFirstVoice)
{
    struct TRow {
        const char* name;
        std::vector<TEngineBehaviour> voices;
        int selected;
    } const rows[] = {
        { "Jakub present", { { "Czech" }, { "Jakub" }, { "English" } }, 1 },
        { "only jakub in other letter case", { { "Czech" }, { "jakub" } }, 0 },
        { "no voices", {}, -1 },
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        install(row.voices);
        voiceselection.fillvoicelist();
        EXPECT_EQ(voiceselection.choice.selected, row.selected);
        EXPECT_EQ(voiceselection.currentmode(), voiceselection.choice.selectedname());
    }
}

TEST_F(VoiceSelection, FillingTheListAgainDoesNotRepeatIt)
{
    install({ { "Czech" }, { "Slovak" } });
    voiceselection.fillvoicelist();
    voiceselection.fillvoicelist();
    EXPECT_EQ(voiceselection.choice.names, (std::vector<std::string> { "Czech", "Slovak" }));
}

TEST_F(VoiceSelection, ProbeFindsRangesAndTickSpacing)
{
    TEngineBehaviour engine { "Czech" };
    engine.speed = 150, engine.slowest = 50, engine.fastest = 400;
    engine.pitch = 120, engine.lowestpitch = 60, engine.highestpitch = 260;
    engine.level = 0xC800, engine.lowestlevel = 0x0100, engine.highestlevel = 0xFFFF;
    install({ engine });
    voiceselection.fillvoicelist();
    voiceselection.selectengine();

    const TProsodyValue& speed = voiceselection.value(TProsodyKind::speed);
    EXPECT_EQ(speed.minimum, 50);
    EXPECT_EQ(speed.maximum, 400);
    EXPECT_EQ(speed.value, 150);
    EXPECT_EQ(speed.tickspacing, 35);
    const TProsodyValue& pitch = voiceselection.value(TProsodyKind::pitch);
    EXPECT_EQ(pitch.minimum, 60);
    EXPECT_EQ(pitch.maximum, 260);
    EXPECT_EQ(pitch.tickspacing, 20);
    const TProsodyValue& volume = voiceselection.value(TProsodyKind::volume);
    EXPECT_EQ(volume.minimum, 1);
    EXPECT_EQ(volume.maximum, 255);
    EXPECT_EQ(volume.value, 200);
    EXPECT_TRUE(voiceselection.prosodyenabled());
    EXPECT_TRUE(switches.voiceready);
    // Each value that changed from the controls' start (0) reaches the engine.
    EXPECT_EQ(injected(), (TEntries { "\\Spd=150\\", "\\Pit=120\\", "\\Vol=51200\\" }));
}

TEST_F(VoiceSelection, AnAttributeTheEngineLacksKeepsItsControlButEnablesIt)
{
    TEngineBehaviour engine { "Czech" };
    engine.pitchmissing = true;
    install({ engine });
    voiceselection.fillvoicelist();
    voiceselection.selectengine();
    const TProsodyValue& pitch = voiceselection.value(TProsodyKind::pitch);
    EXPECT_EQ(pitch.minimum, 0);
    EXPECT_EQ(pitch.maximum, 10);
    EXPECT_EQ(pitch.value, 0);
    EXPECT_EQ(voiceselection.value(TProsodyKind::speed).maximum, 400);
    EXPECT_TRUE(voiceselection.prosodyenabled());
}

TEST_F(VoiceSelection, NewValuesAreClampedAndOnlyChangesAreInjected)
{
    install({ { "Czech" } });
    voiceselection.fillvoicelist();
    voiceselection.selectengine();
    transcript.entries.clear();

    struct TRow {
        const char* name;
        TProsodyKind kind;
        int value;
        TEntries expected;
    } const rows[] = {
        { "volume 200 travels as 51200", TProsodyKind::volume, 200, { "reset", "inject \\Vol=51200\\" } },
        { "the same volume again injects nothing", TProsodyKind::volume, 200, {} },
        { "speed above the range is clamped", TProsodyKind::speed, 1000, { "reset", "inject \\Spd=400\\" } },
        { "speed below the range is clamped", TProsodyKind::speed, -5, { "reset", "inject \\Spd=50\\" } },
        { "pitch inside the range", TProsodyKind::pitch, 150, { "reset", "inject \\Pit=150\\" } },
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        voiceselection.setvalue(row.kind, row.value);
        EXPECT_EQ(transcript.entries, row.expected);
        transcript.entries.clear();
    }
}

TEST_F(VoiceSelection, FirstRunSavesTheDefaultVoiceWithTheEngineValues)
{
    install({ { "Czech" }, { "Jakub" } });
    voiceselection.fillvoicelist();
    voiceselection.preparevoiceforrun();
    TSettingsFile file(settingsfilename);
    EXPECT_EQ(file.readtext(settings::person), "Jakub");
    EXPECT_EQ(file.readinteger(settings::speed), 150);
    EXPECT_EQ(file.readinteger(settings::pitch), 100);
    EXPECT_EQ(file.readinteger(settings::volume), 255);
    EXPECT_EQ(voiceselection.currentmode(), "Jakub");
    EXPECT_TRUE(switches.voiceready);
}

TEST_F(VoiceSelection, SavedSettingsAreRestoredMatchingTheNameInAnyCase)
{
    install({ { "Czech" }, { "Slovak" } });
    voiceselection.fillvoicelist();
    TSettingsFile file(settingsfilename);
    file.writetext(settings::person, "SLOVAK");
    file.writeinteger(settings::speed, 9999);
    file.writeinteger(settings::pitch, 80);
    file.writeinteger(settings::volume, 128);
    voiceselection.preparevoiceforrun();
    EXPECT_EQ(voiceselection.choice.selected, 1);
    EXPECT_EQ(voiceselection.currentmode(), "Slovak");
    EXPECT_EQ(voiceselection.value(TProsodyKind::speed).value, 400);
    EXPECT_EQ(voiceselection.value(TProsodyKind::pitch).value, 80);
    EXPECT_EQ(voiceselection.value(TProsodyKind::volume).value, 128);
    EXPECT_TRUE(messages.empty());
}

TEST_F(VoiceSelection, ASavedVoiceThatNoLongerExistsEndsTheProcessSavingNothing)
{
    install({ { "Czech" } });
    voiceselection.fillvoicelist();
    TSettingsFile(settingsfilename).writetext(settings::person, "Gone");
    QFile settingsfile(QString::fromStdString(settingsfilename));
    ASSERT_TRUE(settingsfile.open(QIODevice::ReadOnly));
    QByteArray before = settingsfile.readAll();
    settingsfile.close();

    voiceselection.applyvoicesettings();
    EXPECT_EQ(messages, (std::vector<std::string> { text(43) + " Gone" }));
    EXPECT_EQ(endings, 1);
    ASSERT_TRUE(settingsfile.open(QIODevice::ReadOnly));
    EXPECT_EQ(settingsfile.readAll(), before);
    EXPECT_EQ(voiceselection.engine(), nullptr);
}

TEST_F(VoiceSelection, ReselectingWithdrawsTheSinkOnlyFromAReadyEngine)
{
    install({ { "Czech" }, { "Slovak" } });
    voiceselection.fillvoicelist();
    voiceselection.selectengine();
    voiceselection.selectposition(1);
    voiceselection.selectengine();
    switches.voiceready = false; // the system voice was switched off
    voiceselection.selectengine();
    TEntries lifecycle;
    for (const auto& entry : transcript.entries)
        if (entry.rfind("inject", 0) != 0 && entry != "reset")
            lifecycle.push_back(entry);
    EXPECT_EQ(lifecycle, (TEntries { "select Czech", "register Czech", "unregister Czech 7", "release Czech",
                             "select Slovak", "register Slovak", "release Slovak", "select Slovak", "register Slovak" }));
}

TEST_F(VoiceSelection, WithoutAnEnumeratorTheVoiceStaysUnavailable)
{
    voiceselection.initspeech(nullptr);
    voiceselection.fillvoicelist();
    voiceselection.preparevoiceforrun();
    EXPECT_FALSE(voiceselection.enumeratorexists());
    EXPECT_EQ(voiceselection.engine(), nullptr);
    EXPECT_FALSE(switches.voiceready);
}

}
