// The system voice and a screen reader on one speech-dispatcher, as the
// program meets Orca when the user chose the system voice: a second client
// speaks as Orca 43 does (tests/speech/screenreaderspeech.h). Prints how
// long the answer to a key waits behind the screen reader's echo of that
// key, and what becomes of a line of the screen reader's review asked for
// while the game speaks, one sentence after another: how long it waits
// (the screen reader cancels what it has not said when the user presses
// the next key), whether it is said to its end, and whether the game's
// sentences are all said, and in how long. The service and a PulseAudio
// null sink are our own.

#include "bench/figures.h"
#include "bench/runevents.h"
#include "bench/speechservices.h"
#include "speech/speechdispatchervoice.h"
#include "speech/speechmessages.h"
#include "tests/speech/screenreaderspeech.h"
#include "tests/support/waituntil.h"

#include <QCoreApplication>
#include <QThread>
#include <QTimer>
#include <cstdio>
#include <string>
#include <vector>

namespace {

using TUtterance = TScreenReaderSpeech::TUtterance;

constexpr const char* answer = "Choose a game.";
const std::vector<std::string> sentences {
    "The first sentence of the game takes the voice a good two seconds to say.",
    "The second sentence follows it at once, as the game says it.",
    "And the third one ends the greeting.",
};
constexpr const char* reviewline = "Line two: the numbers game, one to nine.";

struct TTimedVoice {
    TSpeechDispatcherVoice voice { false };
    std::vector<TClock::time_point> starts;
    // The end of each text that began, in turn with starts.
    std::vector<TClock::time_point> endings;
    TClock::time_point lastend;
    int given = 0;
    int ends = 0;
    std::vector<std::string> following;

    TTimedVoice()
    {
        voice.onstartstream = [this] { starts.push_back(TClock::now()); };
        voice.onendstream = [this] {
            ++ends;
           
            lastend = TClock::now();
            if (endings.size() < starts.size())
                endings.push_back(lastend);
            // As speakwait returns and the game says its next sentence.
            if (!following.empty())
                QTimer::singleShot(0, [this] {
                    std::string next = following.front();
                    following.erase(following.begin());
                    ++given;
                   
                    voice.speak(next, false);
                });
        };
    }
    // A key: what was being said is cut, and the answer given.
    TClock::time_point key(const std::string& text)
    {
        voice.purge();
        auto at = TClock::now();
        ++given;
       
        voice.speak(text, false);
        return at;
    }
    bool quiet() const { return following.empty() && ends >= given; }
};

double seconds(TClock::duration duration)
{
    return milliseconds(duration) / 1000;
}

bool begun(const TUtterance& utterance)
{
    return utterance.begun != TClock::time_point {};
}

// Lets both voices fall silent, and a little more.
void settle(TTimedVoice& ours, const TScreenReaderSpeech& reader)
{
    waituntil([&] { return ours.quiet() && reader.quiet(); }, 30000);
    runevents(500);
}

}

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    std::unique_ptr<TSpeechServices> services = startspeechservices();
    if (!services)
        return 1;
    std::vector<std::string> problems;
    reportspeechproblem = [&](const std::string& message) { problems.push_back(message); };
    TTimedVoice ours;
    TScreenReaderSpeech reader;
    if (!reader.connected()) {
        std::printf("the screen reader's client could not connect\n");
        return 1;
    }

    // The answer alone, the first time opening the connection.
    ours.key(answer);
    settle(ours, reader);
    std::vector<double> alone;
    for (int round = 0; round < 5; ++round) {
        ours.starts.clear();
        auto given = ours.key(answer);
        if (!waituntil([&] { return !ours.starts.empty(); }, 5000)) {
            std::printf("the system voice did not speak\n");
            return 1;
        }
        alone.push_back(milliseconds(ours.starts.front() - given));
        settle(ours, reader);
    }
    const double alonems = median(alone);
    std::printf("the answer to a key alone begins %.0f ms after it is given (median of 5)\n", alonems);

    double longesthold = 0;
    for (const char* echo : { "space ", "left control ", "a ", "Down ", "Return " }) {
        ours.starts.clear();
        // The screen reader sees the key first and echoes it; the key
        // reaches the program once the screen reader let it go.
        std::size_t said = reader.interruptandsay(echo);
        QThread::msleep(15);
        auto given = ours.key(answer);
        waituntil([&] { return !ours.starts.empty(); }, 5000);
        settle(ours, reader);
        const double held = ours.starts.empty() ? 5000 : milliseconds(ours.starts.front() - given) - alonems;
        longesthold = std::max(longesthold, held);
        const TUtterance utterance = reader.utterance(said);
        std::printf("after the echo \"%s\": held %4.0f ms; the echo %s\n", echo, std::max(0.0, held),
            utterance.cancelled ? "was cut" : "was said to its end");
    }
    std::printf("longest hold of an answer behind an echo: %.0f ms\n", std::max(0.0, longesthold));

    // How long the first sentence takes alone, to ask for the review line
    // just before and just after its end.
    ours.starts.clear();
    ours.key(sentences[0]);
    settle(ours, reader);
    if (ours.starts.empty()) {
        std::printf("the system voice did not speak the game's sentence\n");
        return 1;
    }
    const double firstlength = seconds(ours.lastend - ours.starts.front());
    std::printf("the game's first sentence takes %.2f s alone\n", firstlength);

    // The line asked for while the answer to the key is said (early, and
    // just before its end), and while the sentences after it are said (as
    // the second begins, and a second into it).
    int whole = 0, asked = 0;
    double longestafter = 0;
    for (double offset : { 0.3, firstlength - 0.1, firstlength + 0.05, firstlength + 1.0 }) {
        ours.starts.clear();
        ours.endings.clear();
        ours.following.assign(sentences.begin() + 1, sentences.end());
        auto given = ours.key(sentences[0]);
        std::size_t line = 0;
        TClock::time_point askedat;
        QTimer::singleShot(static_cast<int>(offset * 1000), Qt::PreciseTimer, [&] {
            askedat = TClock::now();
            line = reader.interruptandsay(reviewline);
        });
        runevents(static_cast<int>(offset * 1000) + 100);
        settle(ours, reader);
        const TUtterance said = reader.utterance(line);
        const bool duringanswer = !ours.endings.empty() && askedat < ours.endings.front();
        ++asked;
        std::printf("review line asked for %.2f s into the game's speech, during %s: ", offset,
            duringanswer ? "the answer to the key" : "a sentence after it");
        if (!begun(said))
            std::printf("never said (dropped)");
        else if (said.cancelled)
            std::printf("waited %.2f s, cut off", seconds(said.begun - said.given));
        else {
            ++whole;
            if (!duringanswer)
                longestafter = std::max(longestafter, seconds(said.begun - said.given));
            std::printf("waited %.2f s, said to its end", seconds(said.begun - said.given));
        }
        std::printf("; the game's sentences said %zu of %zu, in %.2f s\n", ours.endings.size(), sentences.size(),
            seconds(ours.lastend - given));
    }
    std::printf("review lines said to their end: %d of %d; asked for during a sentence after the answer, "
                "one waited at most %.2f s\n",
        whole, asked, longestafter);
    for (const auto& problem : problems)
        std::printf("  told: %s\n", problem.c_str());
    return 0;
}
