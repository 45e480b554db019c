#include "speechdoubles.h"

#include "runtime/cells.h"
#include "runtime/codepage.h"
#include "runtime/services.h"
#include "runtime/settings.h"
#include "speech/TTSVar.h"
#include "speech/echotable.h"
#include "speech/speechlayer.h"
#include "speech/voiceselection.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

using TEntries = std::vector<std::string>;

class SpeechLayer : public ::testing::Test {
protected:
    void SetUp() override
    {
        resetcells();
        resetttsvar();
        transcript = {};
        host.waits = 0;
        settingsfilename = directory.filePath("vorkana.ini").toStdString();
        voiceselection = TVoiceSelection {};
        voiceselection.initspeech(std::make_unique<TRecordingEnum>(transcript, std::vector<TEngineBehaviour> { { "Jakub" } }));
        voiceselection.createsink();
        speechlayer.setsystemvoice(&voice5);
        services.speech = &speechlayer;
        echotable = {};
        echotable[0] = { 'A', "velke a" };
        echotable[1] = { 'a', "a" };
        echotable[2] = { 0x8E, "velke zet s hackem" };
        echotable[3] = { 0xA7, "paragraf" };
        echotable[4] = { 'B', "" };
    }

    void TearDown() override
    {
        voiceselection.release();
        speechlayer.setsystemvoice(nullptr);
    }

    // The own voice selected, as the start of a run leaves it.
    void selectownvoice()
    {
        switches.voiceallowed = true;
        voiceselection.fillvoicelist();
        voiceselection.selectengine();
        transcript.entries.clear();
        pumpall();
    }

    void pumpall()
    {
        while (!transcript.events.empty())
            host.pumpevents();
    }

    QTemporaryDir directory;
    TSpeechTranscript transcript;
    TEventHost host { transcript };
    TRecordingSystemVoice voice5 { transcript };

    // A fresh layer in the state of a row: which voice is chosen, whether
    // the voice is allowed, whether an own engine is selected.
    void enterstate(bool usesapi5, bool voiceallowed, bool engineselected)
    {
        SetUp();
        if (engineselected)
            selectownvoice();
        switches.usesapi5 = usesapi5;
        switches.voiceallowed = voiceallowed;
    }
};

struct TStateRow {
    const char* name;
    bool usesapi5;
    bool voiceallowed;
    bool engineselected;
    bool wait;
    std::string text;
    TEntries expected;
};

TEST_F(SpeechLayer, EachStateSpeaksThroughItsEngineOrNotAtAll)
{
    const TStateRow rows[] = {
        { "system voice, empty speakwait says nothing", true, true, false, true, "", {} },
        { "system voice, empty speak still reaches it", true, true, false, false, "", { "voice5 " } },
        { "system voice speaks while the voice is not allowed", true, false, false, true, "Ahoj", { "voice5 Ahoj" } },
        { "own voice speaks and waits", false, true, true, true, "Ahoj", { "text Ahoj" } },
        { "own voice, empty speakwait says nothing", false, true, true, true, "", {} },
        { "own voice not allowed is silent", false, false, true, false, "Ahoj", {} },
        { "own voice without an engine is silent", false, true, false, true, "Ahoj", {} },
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        enterstate(row.usesapi5, row.voiceallowed, row.engineselected);
        if (row.wait)
            speechlayer.speakwait(row.text);
        else
            speechlayer.speak(row.text);
        EXPECT_EQ(transcript.entries, row.expected);
        if (row.wait) {
            EXPECT_FALSE(ttsvar.ttsplaying);
            EXPECT_FALSE(ttsvar.streamrunning);
        }
        TearDown();
    }
}

// A notice may be that the system voice fails: it is said in the own voice.
TEST_F(SpeechLayer, NoticesAreSaidInTheOwnVoiceWhicheverVoiceIsChosen)
{
    const TStateRow rows[] = {
        { "system voice chosen", true, true, true, false, "Ahoj", { "text Ahoj" } },
        { "own voice chosen", false, true, true, false, "Ahoj", { "text Ahoj" } },
        { "own voice not allowed", true, false, true, false, "Ahoj", {} },
        { "own voice without an engine", true, true, false, false, "Ahoj", {} },
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        enterstate(row.usesapi5, row.voiceallowed, row.engineselected);
        speechlayer.speaknotice(row.text);
        EXPECT_EQ(transcript.entries, row.expected);
        TearDown();
    }
}

TEST_F(SpeechLayer, SpeakwaitOnTheOwnVoiceReturnsOnlyAfterAudioStop)
{
    selectownvoice();
    speechlayer.speakwait("jedna");
    EXPECT_GT(host.waits, 0);
    speechlayer.speakwait("dva");
    EXPECT_EQ(transcript.entries, (TEntries { "text jedna", "text dva" }));
    EXPECT_FALSE(ttsvar.ttsplaying);
    EXPECT_TRUE(transcript.events.empty());
}

TEST_F(SpeechLayer, VoiceNeverAllowedSaysNothingNotEvenTheEcho)
{
    switches.voiceallowed = false;
    switches.voiceready = false;
    speechlayer.speakwait("Ahoj");
    speechlayer.speak("Ahoj");
    speechlayer.speakchar("a");
    speechlayer.stopspeech();
    EXPECT_TRUE(transcript.entries.empty());
}

TEST_F(SpeechLayer, EchoGoesOnAfterTheVoiceIsDisallowedMidRun)
{
    selectownvoice();
    switches.voiceallowed = false;
    speechlayer.speakwait("Ahoj");
    speechlayer.speakchar("a");
    EXPECT_EQ(transcript.entries, (TEntries { "text a" }));
}

struct TEchoRow {
    const char* name;
    std::string text; // Windows-1250
    TEntries expected;
};

TEST_F(SpeechLayer, EchoSoundsTheCapitalToneOnlyForCapitals)
{
    const std::string capitaltone = "tone snd11 128000";
    const TEchoRow rows[] = {
        { "capital A", "A", { capitaltone, "text velke a" } },
        { "small a", "a", { "text a" } },
        { "capital Z with caron", "\x8E", { capitaltone, "text velke zet s hackem" } },
        { "section sign", "\xA7", { "text paragraf" } },
        { "two characters: the first one's name, no tone", "Ab", { "text velke a" } },
        { "an entry with no text: only the tone", "B", { capitaltone } },
        { "a character the table lacks is said as itself", "x", { "text x" } },
        { "a single NUL counts as empty", std::string(1, '\0'), {} },
        { "empty", "", {} },
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        SetUp();
        selectownvoice();
        speechlayer.speakchar(row.text);
        EXPECT_EQ(transcript.entries, row.expected);
        TearDown();
    }
}

TEST_F(SpeechLayer, EchoOnTheSystemVoiceMayCarryMarkupAndDoesNotWait)
{
    switches.usesapi5 = switches.voiceready = true;
    speechlayer.speakchar("a");
    EXPECT_EQ(transcript.entries, (TEntries { "voice5 markup a" }));
    EXPECT_EQ(transcript.events.size(), 2u);
}

TEST_F(SpeechLayer, StopOnTheOwnVoiceWithNothingPlayingDoesNothing)
{
    selectownvoice();
    voiceselection.engine()->textdata("queued"); // accepted, audio not started yet
    transcript.entries.clear();
    speechlayer.stopspeech();
    EXPECT_TRUE(transcript.entries.empty());
}

TEST_F(SpeechLayer, KeyDuringAWaitEndsIt)
{
    struct TWaitRow {
        const char* name;
        bool usesapi5;
        TEntries expected;
    };
    const TWaitRow rows[] = {
        { "own voice: the reset's AudioStop ends the wait", false, { "text dlouhy text", "reset" } },
        { "system voice: the purge's end ends the wait", true, { "voice5 dlouhy text", "voice5 purge" } },
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        SetUp();
        selectownvoice();
        switches.usesapi5 = row.usesapi5;
        // The key arrives before the text's audio has ended.
        host.keyatfirstwait = [] { speech().stopspeech(); };
        speechlayer.speakwait("dlouhy text");
        EXPECT_EQ(transcript.entries, row.expected);
        EXPECT_FALSE(ttsvar.ttsplaying);
        EXPECT_FALSE(ttsvar.streamrunning);
        TearDown();
    }
}

TEST_F(SpeechLayer, SwitchingTheSystemVoiceSavesItAndSoundsThePair)
{
    switchsapi5(true);
    EXPECT_TRUE(switches.usesapi5);
    EXPECT_TRUE(switches.voiceready);
    EXPECT_TRUE(TSettingsFile(settingsfilename).readboolean(settings::sapi5));
    switchsapi5(false);
    EXPECT_FALSE(switches.usesapi5);
    EXPECT_FALSE(switches.voiceready);
    EXPECT_FALSE(TSettingsFile(settingsfilename).readboolean(settings::sapi5));
    EXPECT_EQ(transcript.entries, (TEntries { "tone snd13 25600", "tone snd13 38400", "tone snd13 38400", "tone snd13 25600" }));
}

TEST(Capitals, OnlyTheSecondLetterOfEachPairIsACapital)
{
    const std::string capitals = "ABZ\xC1\xC4\xC8\xCF\xC9\xCC\xCD\xC5\xBC\xD2\xD3\xD4\xD6\xC0\xD8\x8A\x8D\xDA\xD9\xDC\xDD\x8E";
    const std::string others = "az@[`{09 \xE1\xE4\xE8\xEF\xE9\xEC\xED\xE5\xBE\xF2\xF3\xF4\xF6\xE0\xF8\x9A\x9D\xFA\xF9\xFC\xFD\x9E\xA7\xDF\x80";
    for (char character : capitals)
        EXPECT_TRUE(iscapital(character)) << cp1250::toutf8(std::string(1, character));
    for (char character : others)
        EXPECT_FALSE(iscapital(character)) << cp1250::toutf8(std::string(1, character));
}

}
