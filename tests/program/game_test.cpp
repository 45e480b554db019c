// Whole games, driven as a player drives them: keys pressed when the
// program polls after a given text was heard, the draws chosen so the
// sequence is known. What was said and sounded, with every tone's value,
// length and timbre, is compared passage by passage with the expected
// transcripts in transcripts/. Every case runs twice: the native
// translation, and the game's BASIC source under the interpreter; both must
// give the same transcripts.

#include "basic/machine.h"
#include "program/vorkanaprog.h"
#include "runtime/cells.h"
#include "runtime/codepage.h"
#include "runtime/screen.h"
#include "tests/support/scriptedhost.h"
#include "tests/support/transcriptfile.h"

#include <algorithm>
#include <gtest/gtest.h>

namespace {

constexpr const char* codesoffer = "keď chceš kódy stlač hociktorú klávesu okrem medzerníka.";
constexpr const char* scoretext = "say počet správnych odpoveďí,";
constexpr const char* continuequestion = "say chceš pokračovať?";

std::string transcriptfile(const std::string& name)
{
    return std::string(VORKANA_TRANSCRIPTS) + "/" + name + ".txt";
}

struct TGameEdition {
    const char* name;
    void (*run)();
};

// Names the edition in failure messages.
void PrintTo(const TGameEdition& edition, std::ostream* out)
{
    *out << edition.name;
}

void runinterpreted()
{
    static const TBasicProgram game = loadbasic(readsourcefile(VORKANA_GAME_SOURCE));
    runbasic(game);
}

class GameTest : public ::testing::TestWithParam<TGameEdition> {
protected:
    void SetUp() override
    {
        resetcells();
        switches.voiceallowed = true;
        switches.soundvolume = -1500; // a sound at any other volume shows in the transcript
    }

    // Straight to the choice of a game: no codes, no rules.
    void skipintroduction()
    {
        host.after(codesoffer, " ");
        host.after("chceš pravidlá?", " ");
    }

    // One game of the kind ("t", "z" or "c"): round r plays items[0..r];
    // every round but the last is answered right, the last item of the last
    // round wrong, so the score is items.size() - 1. Keys in `ignored` are
    // typed before each answer's first key.
    void game(const std::string& kindkey, const std::vector<int>& items, const std::string& continuekey,
        const std::string& ignored = {})
    {
        int range = kindkey == "c" ? 9 : 5;
        host.after("zvol hru!", kindkey);
        for (int item : items) {
            host.draws.push_back((item - 0.5) / range);
            host.draws.push_back(0.0);
        }
        for (int k = 0; k < 36; ++k) // the noise after the miss and after the score
            host.draws.push_back(0.001 + 0.111 * (k % 9));
        for (size_t round = 0; round < items.size(); ++round) {
            for (size_t position = 0; position <= round; ++position) {
                int answer = items[position];
                if (round + 1 == items.size() && position == round)
                    answer = answer % range + 1;
                std::string key = std::to_string(answer);
                if (position == 0) {
                    std::string cue = round == 0 ? "začínam." : "pridávam.";
                    for (char ignore : ignored) {
                        host.after(cue, std::string(1, ignore));
                        cue.clear();
                    }
                    if (cue.empty())
                        host.press(key);
                    else
                        host.after(cue, key);
                } else {
                    host.press(key);
                }
            }
        }
        host.after("chceš pokračovať?", continuekey);
    }

    static void rungame() { GetParam().run(); }

    void run()
    {
        rungame();
        EXPECT_TRUE(host.allkeysdelivered()) << "the program ended before every key was used";
    }

    long long countentries(const std::string& entry) const
    {
        return std::count(host.transcript.begin(), host.transcript.end(), entry);
    }

    TScriptedHost host;
};

}

TEST_P(GameTest, GreetingFollowsTheHourOfDay)
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
        rungame();
        ASSERT_FALSE(clockhost.said().empty());
        EXPECT_EQ(clockhost.said().front(), row.greeting) << row.hour << ":" << row.minute;
    }
}

// The start, the codes twice (a letter, then a digit), the rules question
// with a key it ignores, and an unknown game key with the codes reminder.
TEST_P(GameTest, IntroductionCodesAndTheGameChoice)
{
    host.after(codesoffer, "x");
    host.after("chceš ešťe raz kódy?", "5");
    host.after("chceš ešťe raz kódy?", " ");
    host.after("chceš pravidlá?", "x");
    host.press(" ");
    host.after("zvol hru!", "q");
    game("c", { 5 }, " ");
    run();
    EXPECT_TRUE(matchestranscript(passage(host.transcript, "reseed", "key c"), transcriptfile("introduction")));
}

// The rules with the tone overview heard twice and the sound overview twice.
TEST_P(GameTest, RulesWithBothOverviewsAndTheirRepeatQuestions)
{
    host.after(codesoffer, " ");
    host.after("chceš pravidlá?", "a");
    host.after("chceš zopakovať tóny?", "x");
    host.press("a");
    host.after("chceš zopakovať tóny?", " ");
    host.after("chceš zopakovať zvuky?", "a");
    host.after("chceš zopakovať zvuky?", "x");
    host.press(" ");
    host.after("chceš ešťe raz pravidlá?", " ");
    game("c", { 5 }, " ");
    run();
    EXPECT_TRUE(matchestranscript(passage(host.transcript, "key a", "say zvol hru!"), transcriptfile("rules")));
}

// Two rounds right, a miss in the third, digits above five accepted.
TEST_P(GameTest, NumbersGameRoundsAMissAndTheScore)
{
    host.clockstart = { 9, 58, 30 };
    skipintroduction();
    game("c", { 3, 7, 9 }, "1");
    game("c", { 1 }, " ");
    // The screen as the answer to the continue question (the last "1")
    // finds it: where each print item landed, the print zones included.
    std::vector<std::string> screenlines;
    host.onkeydelivered = [&](const std::string& key) {
        if (key != "1")
            return;
        screenlines.clear();
        for (int row = 0; row < TScreen::rows; ++row)
            screenlines.push_back(cp1250::toutf8(screen.line(row).substr(0, screen.line(row).find_last_not_of(' ') + 1)));
    };
    run();
    EXPECT_TRUE(matchestranscript(passage(host.transcript, "key c", continuequestion), transcriptfile("numbersgame")));
    EXPECT_TRUE(matchestranscript(screenlines, transcriptfile("numbersgame-screen")));
}

// A tones game ignoring the digits it has no items for, then a sounds game
// that plays every item's clicks, the continue question and the ending.
TEST_P(GameTest, TonesGameThenSoundsGameThenTheEnding)
{
    skipintroduction();
    game("t", { 2, 4, 1 }, "a", "79");
    game("z", { 5, 4, 3, 2, 1, 2 }, " ", "6");
    run();
    EXPECT_TRUE(matchestranscript(passage(host.transcript, "key t", "say tak ahoj. "), transcriptfile("tonesandsounds")));
}

// Records per kind: a first score is kept silently (also a score of 0), a
// better one plays the melody and names the old record, an equal one plays
// the fanfare; one kind's record leaves the other's alone. From the third
// game on, no prompt is given.
TEST_P(GameTest, RecordsAreKeptPerKind)
{
    skipintroduction();
    game("t", { 1, 2, 3, 4 }, "a"); // tones 3: the first tones score
    game("z", { 3 }, "a"); // sounds 0: nothing said
    game("t", { 1, 2, 3, 4, 5, 1 }, "a"); // tones 5: a new record over 3
    game("c", { 1, 2, 3, 4, 5, 6 }, "a"); // numbers 5: the first numbers score
    game("z", { 5, 4, 3, 2, 1, 2 }, "a"); // sounds 5: the first non-zero sounds score
    game("z", { 1, 1, 1, 1, 1, 2 }, " "); // sounds 5 again: equalled
    run();
    EXPECT_TRUE(matchestranscript(passage(host.transcript, scoretext, continuequestion, true), transcriptfile("records")));
    EXPECT_EQ(countentries("say napíš číslo"), 2);
    EXPECT_EQ(countentries("say napíš postupňe čísla"), 1); // the second game had one round
}

TEST_P(GameTest, PlayingToTheLimitEndsWithEverythingExhausted)
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
    EXPECT_EQ(countentries("say správňe."), 1000);
    EXPECT_EQ(passage(host.transcript, "say vyčerpal si všetky možnosti.", "say 1000"),
        (std::vector<std::string> { "say vyčerpal si všetky možnosti.", scoretext, "say 1000" }));
    EXPECT_EQ(countentries("say ňesprávňe!"), 0);
}

TEST_P(GameTest, AQuestionTheScriptDoesNotAnswerFailsAtOnceWithTheTranscriptsTail)
{
    host.after(codesoffer, "x");
    host.after("a text the program never says", " ");
    try {
        rungame();
        FAIL() << "the run ended";
    } catch (const TScriptOverrun& overrun) {
        std::string message = overrun.what();
        EXPECT_NE(message.find("say chceš ešťe raz kódy?\n  play click19\n  play click6 ×1001"), std::string::npos)
            << message;
        EXPECT_NE(message.find("waits for \"a text the program never says\""), std::string::npos) << message;
    }
}

INSTANTIATE_TEST_SUITE_P(Editions, GameTest,
    ::testing::Values(TGameEdition { "native", runprogram }, TGameEdition { "interpreted", runinterpreted }),
    [](const auto& info) { return std::string(info.param.name); });
