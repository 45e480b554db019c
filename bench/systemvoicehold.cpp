// How long the system voice holds the GUI thread when speech-dispatcher
// stops answering (SIGSTOP): a user typing with the key echo on purges and
// speaks every quarter of a second. Prints the longest single call, the
// longest the event loop went without running, and, once the service goes
// on, how soon a text is spoken again, and what the user was told. The
// service and a PulseAudio null sink are our own.

#include "bench/figures.h"
#include "bench/runevents.h"
#include "bench/speechservices.h"
#include "speech/speechdispatchervoice.h"
#include "speech/speechmessages.h"

#include <QCoreApplication>
#include <QTimer>
#include <csignal>
#include <cstdio>
#include <string>

namespace {

// The longest stretch between two turns of the event loop, while it lives.
class TLoopWatch {
public:
    TLoopWatch()
    {
        m_ticks.setTimerType(Qt::PreciseTimer);
        m_ticks.setInterval(2);
        QObject::connect(&m_ticks, &QTimer::timeout, [this] { tick(); });
        m_ticks.start();
    }
    double longestms() const { return m_longest; }
    void restart()
    {
        m_last = TClock::now();
        m_longest = 0;
    }

private:
    void tick()
    {
        auto now = TClock::now();
        m_longest = std::max(m_longest, milliseconds(now - m_last));
        m_last = now;
    }
    QTimer m_ticks;
    TClock::time_point m_last = TClock::now();
    double m_longest = 0;
};

struct TTimedVoice {
    TSpeechDispatcherVoice voice { false };
    int starts = 0;
    double longestcallms = 0;
    int calls = 0;

    TTimedVoice()
    {
        voice.onstartstream = [this] { ++starts; };
    }
    template <typename TCall>
    void timed(TCall call)
    {
        auto before = TClock::now();
        call();
        longestcallms = std::max(longestcallms, milliseconds(TClock::now() - before));
        ++calls;
    }
    // One key with its echo: what was being said is cut, the key's name said.
    void key(int number)
    {
        timed([this] { voice.purge(); });
        timed([this, number] { voice.speak("Key " + std::to_string(number), false); });
    }
};

}

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    std::unique_ptr<TSpeechServices> services = startspeechservices();
    if (!services)
        return 1;
    std::vector<std::string> problems;
    reportspeechproblem = [&](const std::string& message) { problems.push_back(message); };
    int backs = 0;
    reportspeechback = [&] { ++backs; };

    TTimedVoice timed;
    TLoopWatch loop;
    for (int key = 0; key < 8 && timed.starts == 0; ++key) {
        timed.key(key);
        runevents(250);
    }
    if (timed.starts == 0) {
        std::printf("the system voice did not speak\n");
        return 1;
    }
    std::printf("answering: longest call %.1f ms in %d, event loop held at most %.1f ms\n", timed.longestcallms,
        timed.calls, loop.longestms());

    constexpr int stoppedkeys = 40;
    services->service.signal(SIGSTOP);
    timed.longestcallms = 0;
    timed.calls = 0;
    loop.restart();
    for (int key = 0; key < stoppedkeys; ++key) {
        timed.key(key);
        runevents(250);
    }
    std::printf("stopped (SIGSTOP) %d s: longest call %.1f ms in %d, event loop held at most %.1f ms\n",
        stoppedkeys / 4, timed.longestcallms, timed.calls, loop.longestms());

    services->service.signal(SIGCONT);
    const int startsbefore = timed.starts;
    auto resumed = TClock::now();
    timed.longestcallms = 0;
    timed.calls = 0;
    loop.restart();
    for (int key = 0; key < 40 && timed.starts == startsbefore; ++key) {
        timed.key(key);
        runevents(250);
    }
    if (timed.starts == startsbefore)
        std::printf("going on (SIGCONT): not spoken again within 10 s\n");
    else
        std::printf("going on (SIGCONT): spoken again after %.2f s; longest call %.1f ms, event loop held at most %.1f ms\n",
            milliseconds(TClock::now() - resumed) / 1000, timed.longestcallms, loop.longestms());
    std::printf("told of a failure %zu times, that it speaks again %d times\n", problems.size(), backs);
    for (const auto& problem : problems)
        std::printf("  %s\n", problem.c_str());
    return 0;
}
