// Whole games, driven as a player drives them: keys pressed when the
// program polls after a given text was heard, the draws chosen so the
// sequence is known, and everything checked against what was said and
// sounded.

#include "program/vorkanaprog.h"
#include "runtime/cells.h"
#include "runtime/codepage.h"
#include "runtime/screen.h"
#include "tests/support/scriptedhost.h"

#include <algorithm>
#include <gtest/gtest.h>

namespace {

constexpr const char* codesoffer = "keď chceš kódy stlač hociktorú klávesu okrem medzerníka.";

class GameTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        resetcells();
        switches.voiceallowed = true;
    }

    // Straight to the choice of a game: no codes, no rules.
    void skipintroduction()
    {
        host.after(codesoffer, " ");
        host.after("chceš pravidlá?", " ");
    }

    // One game of the kind ("t", "z" or "c"): round r plays items[0..r];
    // every round but the last is answered right, the last item of the last
    // round wrong, so the score is items.size() - 1.
    void game(const std::string& kindkey, const std::vector<int>& items, const std::string& continuekey)
    {
        int range = kindkey == "c" ? 9 : 5;
        host.after("zvol hru!", kindkey);
        for (int item : items) {
            host.draws.push_back((item - 0.5) / range);
            host.draws.push_back(0.0);
        }
        for (int k = 0; k < 36; ++k) // the noise after the miss and after the score
            host.draws.push_back(0.5);
        for (size_t round = 0; round < items.size(); ++round) {
            for (size_t position = 0; position <= round; ++position) {
                int answer = items[position];
                if (round + 1 == items.size() && position == round)
                    answer = answer % range + 1;
                std::string key = std::to_string(answer);
                if (position == 0)
                    host.after(round == 0 ? "začínam." : "pridávam.", key);
                else
                    host.press(key);
            }
        }
        host.after("chceš pokračovať?", continuekey);
    }

    void run()
    {
        runprogram();
        EXPECT_TRUE(host.allkeysdelivered()) << "the program ended before every key was used";
    }

    // The texts said, in order, contain the expected ones in this order.
    bool saidinorder(const std::vector<std::string>& expected) const
    {
        auto said = host.said();
        auto at = said.begin();
        for (const auto& text : expected) {
            at = std::find(at, said.end(), text);
            if (at == said.end())
                return false;
            ++at;
        }
        return true;
    }

    long long countsaid(const std::string& text) const
    {
        auto said = host.said();
        return std::count(said.begin(), said.end(), text);
    }

    long long countentries(const std::string& entry) const
    {
        return std::count(host.transcript.begin(), host.transcript.end(), entry);
    }

    TScriptedHost host;
};

}

TEST_F(GameTest, GreetingFollowsTheHourOfDay)
{
    struct TRow {
        int hour;
        int minute;
        const char* greeting;
    };
    for (TRow row : { TRow { 8, 59, "dobré ráno;" }, TRow { 9, 0, "dobrý ďeň;" }, TRow { 17, 59, "dobrý ďeň;" },
             TRow { 18, 0, "dobrý večer;" }, TRow { 2, 59, "dobrý večer;" }, TRow { 3, 0, "dobré ráno;" } }) {
        TScriptedHost clockhost;
        clockhost.clockstart = { row.hour, row.minute, 0 };
        clockhost.after(codesoffer, " ");
        clockhost.after("chceš pravidlá?", " ");
        clockhost.after("zvol hru!", "c");
        clockhost.after("začínam.", "1");
        clockhost.after("chceš pokračovať?", " ");
        runprogram();
        ASSERT_FALSE(clockhost.said().empty());
        EXPECT_EQ(clockhost.said().front(), row.greeting) << row.hour << ":" << row.minute;
    }
}

TEST_F(GameTest, GreetingThenLadderThenTitleAndTheCodesQuestion)
{
    skipintroduction();
    game("c", { 5 }, " ");
    run();
    auto tones = host.entries("tone");
    std::vector<std::string> ladder(tones.begin(), tones.begin() + 5);
    EXPECT_EQ(ladder, (std::vector<std::string> { "tone snd11 32000", "tone snd11 64000", "tone snd11 96000",
                          "tone snd11 128000", "tone snd11 160000" }));
    EXPECT_TRUE(saidinorder({ "dobrý ďeň;", "hrapameť.", codesoffer }));
    auto offer = std::find(host.transcript.begin(), host.transcript.end(), std::string("say ") + codesoffer);
    ASSERT_NE(offer, host.transcript.end());
    EXPECT_EQ(offer[1], "play click19");
    EXPECT_EQ(offer[2], "play click6"); // polling the first question
}

TEST_F(GameTest, AnyKeyButSpaceAtTheFirstQuestionGivesTheCodes)
{
    for (const char* key : { "x", "5", "\r" }) {
        TScriptedHost keyhost;
        keyhost.after(codesoffer, key);
        keyhost.after("chceš ešťe raz kódy?", " ");
        keyhost.after("chceš pravidlá?", " ");
        keyhost.after("zvol hru!", "c");
        keyhost.after("začínam.", "1");
        keyhost.after("chceš pokračovať?", " ");
        runprogram();
        auto said = keyhost.said();
        auto codes = std::find(said.begin(), said.end(), "kódy.");
        ASSERT_NE(codes, said.end()) << "key " << int(key[0]);
        EXPECT_EQ(std::vector<std::string>(codes, codes + 7),
            (std::vector<std::string> { "kódy.", "a,; kladná odpoveď na otázku.", "medzerník,; záporná odpoveď na otázku.",
                "c,; hra s číslami.", "t,; hra s tónmi.", "z,; hra so zvukmi.", "chceš ešťe raz kódy?" }));
    }
}

TEST_F(GameTest, SpaceAtTheFirstQuestionOffersTheRules)
{
    skipintroduction();
    game("c", { 5 }, " ");
    run();
    EXPECT_TRUE(saidinorder({ codesoffer, "chceš pravidlá?", "zvol hru!" }));
    EXPECT_EQ(countsaid("kódy."), 0);
}

TEST_F(GameTest, RulesWithTheToneAndSoundOverviewsAndTheirRepeatQuestions)
{
    host.after(codesoffer, " ");
    host.after("chceš pravidlá?", "a");
    host.after("chceš zopakovať tóny?", "x"); // ignored
    host.press("a");
    host.after("chceš zopakovať tóny?", " ");
    host.after("chceš zopakovať zvuky?", " ");
    host.after("chceš ešťe raz pravidlá?", " ");
    game("c", { 5 }, " ");
    run();

    EXPECT_TRUE(saidinorder({ "stručné pravidlá.", "precvič si svoju pameť.",
        "podla toho, ktorú hru si zvolíš, vytvorím ruozne tóny, zvuky alebo čísla. tóny a zvuky majú priďelené čísla jedna až peť.",
        "najprv  buďeš počuť jeden tón, zvuk alebo číslo. keď správňe zapíšeš jeho číselnú hodnotu, pridám k ňemu ďalší.",
        "skús kolko tónov, zvukov alebo čísel si dokážeš zapametať.", "prehlad tónov:", "tón číslo", "1", "tón číslo", "5",
        "chceš zopakovať tóny?", "prehlad tónov:", "chceš zopakovať tóny?", "prehlad zvukov:", "zvuk číslo", "1",
        "zvuk číslo", "5", "chceš zopakovať zvuky?", "doporučujem režim vyslovovaňia klávesnice prepnúť na zvuky.",
        "chceš ešťe raz pravidlá?", "zvol hru!" }));
    EXPECT_EQ(countsaid("tón číslo"), 10); // the overview twice
    EXPECT_EQ(countsaid("zvuk číslo"), 5);
    // The five sounds: 6 x click5, 9 x click13, 8 x click16, 4 x click8, 4 x click17.
    EXPECT_EQ(countentries("play click5"), 6);
    EXPECT_EQ(countentries("play click13"), 9);
    EXPECT_EQ(countentries("play click16"), 8);
    EXPECT_EQ(countentries("play click8"), 4);
    EXPECT_EQ(countentries("play click17"), 4);
    // Tone item 3 of the overview is 1500 (rate 96000) in timbre 1, 500 ms.
    EXPECT_GE(countentries("tone snd11 96000"), 3);
}

TEST_F(GameTest, UnknownKeyAtTheChoiceGivesBeepsAndTheCodesReminder)
{
    skipintroduction();
    host.after("zvol hru!", "x");
    game("c", { 5 }, " ");
    run();
    EXPECT_TRUE(saidinorder({ "zvol hru!",
        "opakujem kódy hier: ;,c,; hra s číslami;,; ,t,; hra s tónmi;,; ,z,; hra so zvukmi.", "zvol hru!" }));
    auto transcript = host.transcript;
    auto reminder = std::find(transcript.begin(), transcript.end(),
        "say opakujem kódy hier: ;,c,; hra s číslami;,; ,t,; hra s tónmi;,; ,z,; hra so zvukmi.");
    ASSERT_NE(reminder, transcript.end());
    std::vector<std::string> before(reminder - 12, reminder);
    std::vector<std::string> expected { "key x", "pause 300" };
    expected.insert(expected.end(), 9, "play beep");
    expected.push_back("pause 300"); // the reminder's own leading ";"
    EXPECT_EQ(before, expected);
}

TEST_F(GameTest, TonesGameWithCorrectRoundsThenAMiss)
{
    skipintroduction();
    game("t", { 2, 4, 1 }, " ");
    run();
    EXPECT_TRUE(saidinorder({ "zvolil si si hru", "s tónmi.", "začínam.", "napíš číslo", "tónu.", "správňe.", "pridávam.",
        "napíš postupňe čísla", "tónov.", "správňe.", "pridávam.", "ňesprávňe!", "správna odpoveď je:",
        "počet správnych odpoveďí,", "2", "čas:,;", "chceš pokračovať?", "počet hier", "1", "tak ahoj. " }));
    EXPECT_EQ(countsaid("správňe."), 2);
    // The correct sequence 2, 4, 1 is replayed as 1000, 2000 and 500 Hz.
    auto wrong = std::find(host.transcript.begin(), host.transcript.end(), "say správna odpoveď je:");
    std::vector<std::string> after;
    for (auto at = wrong; at != host.transcript.end() && after.size() < 3; ++at)
        if (at->rfind("tone snd11 ", 0) == 0 && *at != "tone snd11 128")
            after.push_back(*at);
    EXPECT_EQ(after, (std::vector<std::string> { "tone snd11 64000", "tone snd11 128000", "tone snd11 32000" }));
    // Noise: nine random tones in timbres 1 to 9 after the miss.
    for (int timbre = 1; timbre <= 9; ++timbre)
        EXPECT_GE(countentries("tone snd1" + std::to_string(timbre) + " 32064"), 2) << timbre;
    // Nothing about records on a first score.
    EXPECT_EQ(countsaid("nový rekord. doterajší bol"), 0);
    EXPECT_EQ(countsaid("vyrovnaňie doterajšieho rekordu."), 0);
}

TEST_F(GameTest, TimeOfDayIsSaidAfterTheScore)
{
    host.clockstart = { 9, 5, 0 };
    skipintroduction();
    game("c", { 5 }, " ");
    run();
    auto said = host.said();
    auto score = std::find(said.begin(), said.end(), "počet správnych odpoveďí,");
    ASSERT_NE(score, said.end());
    ASSERT_GE(said.end() - score, 4);
    EXPECT_EQ(score[1], "0");
    EXPECT_EQ(score[2], "čas:,;");
    EXPECT_EQ(score[3].substr(0, 3), "09 "); // hours and minutes of the virtual clock
    EXPECT_EQ(score[3].size(), 5u);
}

TEST_F(GameTest, FirstItemMissScoresZeroAndSaysNothingAboutRecords)
{
    skipintroduction();
    game("z", { 3 }, "a");
    game("z", { 3 }, " ");
    run();
    EXPECT_EQ(countsaid("počet správnych odpoveďí,"), 2);
    EXPECT_EQ(countsaid("nový rekord. doterajší bol"), 0);
    EXPECT_EQ(countsaid("vyrovnaňie doterajšieho rekordu."), 0);
    EXPECT_TRUE(saidinorder({ "počet hier", "2" }));
}

TEST_F(GameTest, NewRecordAndEqualledRecordAreKeptPerKind)
{
    skipintroduction();
    game("t", { 1, 2, 3, 4 }, "a"); // tones: 3, the record set silently
    game("t", { 1, 2, 3, 4, 5, 1 }, "a"); // tones: 5, a new record
    game("z", { 5, 4, 3, 2, 1, 2 }, "a"); // sounds: 5, the first sounds score
    game("z", { 1, 1, 1, 1, 1, 2 }, " "); // sounds: 5 again, equalled
    run();

    auto said = host.said();
    auto record = std::find(said.begin(), said.end(), "nový rekord. doterajší bol");
    ASSERT_NE(record, said.end());
    EXPECT_EQ(record[1], "3");
    EXPECT_EQ(countsaid("nový rekord. doterajší bol"), 1);
    EXPECT_EQ(countsaid("vyrovnaňie doterajšieho rekordu."), 1);
    EXPECT_TRUE(saidinorder({ "nový rekord. doterajší bol", "vyrovnaňie doterajšieho rekordu.", "počet hier", "4",
        "tak ahoj. " }));

    // The tones right before each text are the melody and the fanfare.
    auto tonesbefore = [&](const std::string& text, size_t count) {
        auto at = std::find(host.transcript.begin(), host.transcript.end(), "say " + text);
        std::vector<std::string> tones;
        while (at != host.transcript.begin() && tones.size() < count) {
            --at;
            if (at->rfind("tone ", 0) == 0)
                tones.insert(tones.begin(), *at);
        }
        return tones;
    };
    std::vector<std::string> melody;
    for (int value : { 200, 270, 200, 335, 270, 200, 270, 270, 300, 335, 300, 255, 270, 270 })
        melody.push_back("tone snd10 " + std::to_string(value * 64));
    EXPECT_EQ(tonesbefore("nový rekord. doterajší bol", 14), melody);
    std::vector<std::string> fanfare;
    for (int run = 0; run < 8; ++run)
        for (int value = 200; value <= 1400; value += 100)
            fanfare.push_back("tone snd13 " + std::to_string(value * 64));
    EXPECT_EQ(tonesbefore("vyrovnaňie doterajšieho rekordu.", 104), fanfare);
}

TEST_F(GameTest, PromptsOnlyInTheFirstTwoGames)
{
    skipintroduction();
    game("t", { 1, 1 }, "a");
    game("c", { 7, 7 }, "1");
    game("z", { 2, 2 }, " ");
    run();
    EXPECT_EQ(countsaid("napíš číslo"), 2);
    EXPECT_EQ(countsaid("napíš postupňe čísla"), 2);
    EXPECT_EQ(countsaid("tónu."), 1);
    EXPECT_EQ(countsaid("tónov."), 1);
    EXPECT_EQ(countsaid("zvuku."), 0); // the sounds game is the third
    EXPECT_TRUE(saidinorder({ "počet hier", "3" }));
}

TEST_F(GameTest, KeysSixToNineOnlyInTheNumbersGame)
{
    skipintroduction();
    host.after("zvol hru!", "t");
    host.draws = { 0.5, 0, 0.5, 0 }; // items 3 and 3 of 5
    for (int k = 0; k < 36; ++k)
        host.draws.push_back(0.5);
    host.after("začínam.", "7"); // ignored
    host.press("3");
    host.after("pridávam.", "9"); // ignored
    host.press("3");
    host.press("1"); // wrong: score 1
    host.after("chceš pokračovať?", "a");
    game("c", { 7, 9 }, " ");
    run();

    // Tones game: the ignored keys are never played back (3500 and 4500 Hz).
    EXPECT_EQ(countentries("tone snd11 224000"), 0);
    EXPECT_EQ(countentries("tone snd11 288000"), 0);
    EXPECT_TRUE(saidinorder({ "s tónmi.", "správňe.", "ňesprávňe!", "počet správnych odpoveďí,", "1" }));
    // Numbers game: 7 is accepted and said back after a beep.
    auto at = std::find(host.transcript.begin(), host.transcript.end(), "say s číslami.");
    at = std::find(at, host.transcript.end(), "key 7");
    ASSERT_NE(at, host.transcript.end());
    EXPECT_EQ(std::vector<std::string>(at + 1, at + 7),
        (std::vector<std::string> { "play beep", "pause 300", "say 7", "pause 300", "pause 300", "say správňe." }));
}

TEST_F(GameTest, OneAnswersTheContinueQuestionLikeA)
{
    skipintroduction();
    game("c", { 4 }, "1");
    game("c", { 4 }, " ");
    run();
    EXPECT_EQ(countsaid("zvol hru!"), 2);
    EXPECT_TRUE(saidinorder({ "počet hier", "2" }));
}

TEST_F(GameTest, ClosingCountFallingTonesAndFarewell)
{
    skipintroduction();
    game("c", { 4 }, " ");
    run();
    std::vector<std::string> falling;
    for (int value = 1300; value >= 50; value -= 50)
        falling.push_back("tone snd18 " + std::to_string(value * 64));
    ASSERT_EQ(falling.size(), 26u);
    auto tones = host.entries("tone");
    EXPECT_EQ(std::vector<std::string>(tones.end() - 26, tones.end()), falling);
    auto said = host.said();
    EXPECT_EQ(said.back(), "tak ahoj. ");
    EXPECT_EQ(said[said.size() - 3], "počet hier");
    EXPECT_EQ(said[said.size() - 2], "1");
}

TEST_F(GameTest, ScreenIsClearedBeforeThePlayerAnswers)
{
    skipintroduction();
    game("c", { 4, 6 }, " ");
    std::vector<std::string> screenatanswers;
    host.onkeydelivered = [&](const std::string& key) {
        if (key >= "1" && key <= "9")
            screenatanswers.push_back(cp1250::toutf8(screen.line(0).substr(0, 20)) + "|" + screen.line(1));
    };
    run();
    // Each answer's first key finds only the prompt on the screen, never
    // the numbers just played.
    ASSERT_EQ(screenatanswers.size(), 3u);
    EXPECT_EQ(screenatanswers[0], "napíš číslo         |");
    EXPECT_EQ(screenatanswers[1], "napíš postupňe čísla|");
}

TEST_F(GameTest, PlayingToTheLimitEndsWithEverythingExhausted)
{
    host.recordsounds = false;
    host.limitms = 1000LL * 3600 * 1000;
    skipintroduction();
    host.after("zvol hru!", "t");
    for (int item = 0; item <= 1000; ++item) {
        host.draws.push_back(0.05); // item 1
        host.draws.push_back(0);
    }
    for (int round = 0; round <= 1000; ++round) {
        host.after(round == 0 ? "začínam." : "pridávam.", "1");
        for (int position = 1; position <= round && round < 1000; ++position)
            host.press("1");
    }
    host.after("chceš pokračovať?", " ");
    run();
    EXPECT_EQ(countsaid("správňe."), 1000);
    EXPECT_TRUE(saidinorder({ "vyčerpal si všetky možnosti.", "počet správnych odpoveďí,", "1000", "tak ahoj. " }));
    EXPECT_EQ(countsaid("ňesprávňe!"), 0);
}
