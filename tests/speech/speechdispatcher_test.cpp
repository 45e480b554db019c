// The system voice with a real speech-dispatcher that the test starts on its
// own socket, speaking into a PulseAudio null sink the test also starts.

#include "speech/speechdispatchervoice.h"
#include "speech/speechmessages.h"
#include "tests/sound/pulsenullsink.h"
#include "tests/speech/screenreaderspeech.h"
#include "tests/speech/speechdispatcherservice.h"
#include "tests/support/waituntil.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>
#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>
#include <utility>

namespace {

using namespace std::chrono;

// Both servers live for the whole suite.
class SpeechDispatcher : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        if (!TPulseNullSink::installed() || !TSpeechDispatcherService::installed()) {
            missing = "pulseaudio or speech-dispatcher is not installed";
            return;
        }
        sink = new TPulseNullSink;
        if (!sink->running()) {
            missing = sink->reason();
            return;
        }
        service = new TSpeechDispatcherService;
        missing = service->reason();
    }

    static void TearDownTestSuite()
    {
        delete service;
        service = nullptr;
        delete sink;
        sink = nullptr;
    }

    void SetUp() override
    {
        if (!missing.empty())
            GTEST_SKIP() << missing;
        reportspeechproblem = [this](const std::string& message) { problems.push_back(message); };
        voice = std::make_unique<TSpeechDispatcherVoice>(false);
        voice->onstartstream = [this] { events.push_back("start"); };
        voice->onendstream = [this] { events.push_back("end"); };
    }

    // Also when a test that killed the service failed before it was back.
    void TearDown() override
    {
        voice.reset();
        if (missing.empty() && !service->running())
            service->start();
    }

    static void killservice() { service->signal(SIGKILL); }

    static std::string longtext()
    {
        std::string text;
        for (int repeat = 0; repeat < 30; ++repeat)
            text += "This is a long sentence that is cut off before its end. ";
        return text;
    }

    long starts() const { return std::count(events.begin(), events.end(), "start"); }
    long ends() const { return std::count(events.begin(), events.end(), "end"); }

    static inline std::string missing;
    static inline TPulseNullSink* sink = nullptr;
    static inline TSpeechDispatcherService* service = nullptr;

    std::unique_ptr<TSpeechDispatcherVoice> voice;
    std::vector<std::string> events;
    std::vector<std::string> problems;
};

TEST_F(SpeechDispatcher, SpeaksATextAndReportsItsEnd)
{
    voice->speak("Hello.", false);
    ASSERT_TRUE(waituntil([&] { return events.size() >= 2; }, 15000)) << (problems.empty() ? "" : problems[0]);
    QCoreApplication::processEvents();
    EXPECT_EQ(events, (std::vector<std::string> { "start", "end" }));
    EXPECT_TRUE(problems.empty()) << problems[0];
}

TEST_F(SpeechDispatcher, PurgeEndsALongTextAtOnce)
{
    voice->speak(longtext(), false);
    ASSERT_TRUE(waituntil([&] { return !events.empty(); }, 15000)) << (problems.empty() ? "" : problems[0]);
    auto purged = steady_clock::now();
    voice->purge();
    ASSERT_TRUE(waituntil([&] { return events.size() >= 2; }, 1000));
    EXPECT_LT(duration<double>(steady_clock::now() - purged).count(), 1.0);
    // The service's own cancel notice comes later and ends nothing twice.
    waituntil([] { return false; }, 500);
    EXPECT_EQ(events, (std::vector<std::string> { "start", "end" }));
}

// The second text waits behind several seconds of the first: it is not
// given up on, and its end comes after it was spoken.
TEST_F(SpeechDispatcher, ATextBehindLongSpeechIsNotGivenUp)
{
    voice->speak("This first sentence is long enough to take the voice well over two seconds to say. "
                 "And it goes on for a second sentence.",
        false);
    voice->speak("Second.", false);
    ASSERT_TRUE(waituntil([&] { return events.size() >= 4; }, 30000)) << (problems.empty() ? "" : problems[0]);
    EXPECT_EQ(events, (std::vector<std::string> { "start", "end", "start", "end" }));
    EXPECT_TRUE(problems.empty()) << problems[0];
}

// Beside a screen reader on the same service, speaking as Orca does: the
// answer to a key cuts the reader's echo of it instead of waiting for its
// end; a line the reader is asked for while the answer is said comes after
// it, before the next sentence, which waits for it longer than the two
// seconds a text is otherwise given to begin; one asked for during a later
// sentence cuts it, and the sentence is said again; a purge leaves the
// reader's own texts alone.
TEST_F(SpeechDispatcher, BesideAScreenReaderKeysAreAnsweredAtOnceAndItsLinesTakeTheirTurn)
{
    TScreenReaderSpeech reader;
    ASSERT_TRUE(reader.connected());
    std::vector<steady_clock::time_point> begun;
    voice->onstartstream = [&] { begun.push_back(steady_clock::now()); };

    const std::size_t echo = reader.interruptandsay(longtext());
    ASSERT_TRUE(waituntil([&] { return reader.utterance(echo).begun != steady_clock::time_point {}; }, 15000));
    voice->purge();
    voice->speak("The answer to the key, long enough to be spoken while the line is asked for.", false);
    ASSERT_TRUE(waituntil([&] { return begun.size() == 1; }, 15000)) << "the answer waited behind the echo";
    EXPECT_TRUE(reader.utterance(echo).cancelled) << "the echo went on under the answer";

    const std::size_t line = reader.interruptandsay("A line of the screen reader's review, which takes a while to "
                                                    "say: long enough for the next sentence to wait over two "
                                                    "seconds.");
    voice->speak("The next sentence.", false);
    ASSERT_TRUE(waituntil([&] { return ends() == 2; }, 30000)) << (problems.empty() ? "" : problems[0]);
    const auto said = reader.utterance(line);
    ASSERT_NE(said.begun, steady_clock::time_point {}) << "the line was never said";
    EXPECT_FALSE(said.cancelled) << "the line was cut off";
    ASSERT_EQ(begun.size(), 2u) << "the next sentence was given up on";
    EXPECT_LT(said.ended, begun[1]) << "the next sentence did not let the line go first";
    EXPECT_TRUE(problems.empty()) << problems[0];

    // A line asked for while a sentence after the answer is said goes
    // first; the sentence is said again after it, not lost.
    voice->purge();
    voice->speak("The answer.", false);
    voice->speak(longtext(), false);
    ASSERT_TRUE(waituntil([&] { return begun.size() == 4; }, 15000));
    const long endsbefore = ends();
    const std::size_t cutting = reader.interruptandsay("A line that cuts the game's sentence.");
    ASSERT_TRUE(waituntil([&] { return reader.utterance(cutting).ended != steady_clock::time_point {}; }, 15000))
        << "the line waited behind the game's sentence";
    EXPECT_FALSE(reader.utterance(cutting).cancelled);
    EXPECT_FALSE(waituntil([&] { return ends() > endsbefore; }, 1000)) << "the cut sentence was not said again";
    voice->purge();

    // A key while both have texts queued: ours go, the reader's stay.
    const std::size_t kept = reader.say("The reader's text, queued behind ours.");
    voice->speak(longtext(), false);
    voice->purge();
    ASSERT_TRUE(waituntil([&] { return reader.utterance(kept).ended != steady_clock::time_point {}; }, 15000));
    EXPECT_FALSE(reader.utterance(kept).cancelled) << "our purge cancelled the reader's text";
}

TEST_F(SpeechDispatcher, MarkupIsSpokenWithoutItsTags)
{
    EXPECT_EQ(plaintextfrommarkup("<pitch middle=\"5\">a &amp; b</pitch>"), "a & b");
    EXPECT_EQ(plaintextfrommarkup("unclosed <tag"), "unclosed ");
    voice->speak("<emph>A</emph>", true);
    ASSERT_TRUE(waituntil([&] { return events.size() >= 2; }, 15000));
}

// The service killed while it speaks a long text of ours, with a text
// queued behind it and more sent after: one message, every text ends, the
// process lives, and releasing the connection closes nothing that is not
// its own.
TEST_F(SpeechDispatcher, AServiceKilledMidTextEndsEveryTextAndSaysSoOnce)
{
    voice->speak(longtext(), false);
    voice->speak("Queued behind.", false);
    ASSERT_TRUE(waituntil([&] { return !events.empty(); }, 15000)) << (problems.empty() ? "" : problems[0]);
    killservice();
    // The library's reader closes its descriptor when it sees the end; files
    // opened then take the lowest free numbers, where the socket was.
    std::this_thread::sleep_for(milliseconds(200));
    std::vector<int> opened;
    for (int count = 0; count < 8; ++count)
        opened.push_back(::open("/dev/null", O_RDONLY | O_CLOEXEC));
    voice->speak("Sent after.", false);
    voice->speak("And another.", false);
    EXPECT_TRUE(waituntil([&] { return ends() == 4; }, 10000)) << ends() << " of 4 texts ended";
    waituntil([] { return false; }, 500);
    EXPECT_EQ(ends(), 4);
    ASSERT_EQ(problems.size(), 1u);
    EXPECT_NE(problems[0].find("has stopped"), std::string::npos) << problems[0];
    voice.reset();
    for (int descriptor : opened) {
        EXPECT_NE(::fcntl(descriptor, F_GETFD), -1) << "descriptor " << descriptor << " was closed";
        ::close(descriptor);
    }
}

// A service stopped with SIGSTOP answers nothing: a call is given up on,
// the service is taken as gone, every text ends and the user is told. A
// connection opened to it in the background is taken once it goes on,
// however long it was stopped, and the user is told that the voice speaks
// again before any text is sent. A second stop is told again.
TEST_F(SpeechDispatcher, EachStopOfTheServiceIsToldAndSoIsItsReturn)
{
    int backs = 0;
    auto reportback = std::exchange(reportspeechback, [&] { ++backs; });
    for (int round = 1; round <= 2; ++round) {
        SCOPED_TRACE(round);
        const long begun = starts();
        const long before = ends();
        voice->speak(longtext(), false);
        ASSERT_TRUE(waituntil([&] { return starts() > begun; }, 15000)) << (problems.empty() ? "" : problems[0]);
        EXPECT_FALSE(waituntil([&] { return ends() > before; }, 500)) << "the text ended at once, unspoken";
        service->signal(SIGSTOP);
        voice->purge();
        voice->speak("After.", false);
        bool ended = waituntil([&] { return ends() == before + 2; }, 15000);
        // Longer than a first opening is waited for.
        waituntil([] { return false; }, round == 1 ? 5000 : 500);
        service->signal(SIGCONT);
        EXPECT_TRUE(ended) << ends() - before << " of 2 texts ended";
        EXPECT_TRUE(waituntil([&] { return backs == round; }, 5000)) << "not told that the voice speaks again";
        ASSERT_EQ(problems.size(), std::size_t(round));
        EXPECT_NE(problems.back().find("has stopped"), std::string::npos) << problems.back();
    }
    reportspeechback = reportback;
}

// Stopped while it speaks a text of ours, with no call of ours to find it
// out: the service sends no end, yet the wait for the text ends and the user
// is told.
TEST_F(SpeechDispatcher, AServiceStoppedMidTextEndsTheTextAndIsToldOf)
{
    voice->speak(longtext(), false);
    ASSERT_TRUE(waituntil([&] { return starts() == 1; }, 15000)) << (problems.empty() ? "" : problems[0]);
    service->signal(SIGSTOP);
    const bool ended = waituntil([&] { return ends() == 1; }, 10000);
    // Let go on, it would speak the rest of the text, which nobody cancelled,
    // over the next tests' texts.
    killservice();
    EXPECT_TRUE(ended) << "the text of a stopped service never ended";
    EXPECT_EQ(problems.size(), 1u);
}

// A voice closed while it speaks (the system voice switched off) leaves
// nothing of its own to the service: the next voice's text is spoken at
// once, not after the rest of the old one.
TEST_F(SpeechDispatcher, AVoiceClosedWhileItSpeaksLeavesTheServiceSilent)
{
    voice->speak(longtext(), false);
    ASSERT_TRUE(waituntil([&] { return !events.empty(); }, 15000)) << (problems.empty() ? "" : problems[0]);
    voice.reset();
    events.clear();
    SetUp();
    voice->speak("Next.", false);
    ASSERT_TRUE(waituntil([&] { return ends() == 1; }, 15000));
    // Behind the old text it would never begin, and be given up on.
    EXPECT_EQ(events, (std::vector<std::string> { "start", "end" })) << "the next text waited behind the old one";
    EXPECT_TRUE(problems.empty()) << problems[0];
}

// A text the service really speaks lasts until it is purged; one skipped
// would end at once.
TEST_F(SpeechDispatcher, SpeechComesBackWhenTheServiceIsStartedAgain)
{
    voice->speak(longtext(), false);
    ASSERT_TRUE(waituntil([&] { return !events.empty(); }, 15000)) << (problems.empty() ? "" : problems[0]);
    killservice();
    ASSERT_TRUE(waituntil([&] { return ends() == 1; }, 10000)) << "the text being spoken never ended";
    ASSERT_TRUE(service->start());
    voice->speak(longtext(), false);
    ASSERT_TRUE(waituntil([&] { return events.size() >= 3; }, 15000));
    waituntil([] { return false; }, 500);
    EXPECT_EQ(events, (std::vector<std::string> { "start", "end", "start" }));
    voice->purge();
    EXPECT_EQ(ends(), 2);
    EXPECT_EQ(problems.size(), 1u);
}

// A service of a few lines that takes the connection and the start of a
// text, then stops reading before the text itself comes and goes away a
// little later: the moment between a killed service's end and the library
// noticing it, held open so that the library's write meets it every time.
class TServiceEndingAtSpeak {
public:
    explicit TServiceEndingAtSpeak(const QString& path)
    {
        m_listening = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_un address {};
        address.sun_family = AF_UNIX;
        std::strncpy(address.sun_path, path.toUtf8().constData(), sizeof address.sun_path - 1);
        ::bind(m_listening, reinterpret_cast<sockaddr*>(&address), sizeof address);
        ::listen(m_listening, 1);
        m_thread = std::thread([this] { serve(); });
    }
    ~TServiceEndingAtSpeak()
    {
        ::shutdown(m_listening, SHUT_RDWR);
        m_thread.join();
        ::close(m_listening);
    }

private:
    void serve()
    {
        int client = ::accept(m_listening, nullptr, nullptr);
        if (client < 0)
            return;
        std::string received;
        char buffer[256];
        for (ssize_t count; (count = ::read(client, buffer, sizeof buffer)) > 0;) {
            received.append(buffer, static_cast<size_t>(count));
            for (size_t end; (end = received.find("\r\n")) != std::string::npos; received.erase(0, end + 2)) {
                bool speak = QByteArray(received.data(), static_cast<qsizetype>(end)).toUpper() == "SPEAK";
                if (speak)
                    ::shutdown(client, SHUT_RD);
                std::string reply = speak ? "230 OK RECEIVING DATA\r\n" : "200 OK\r\n";
                // A reply that cannot be written is what the voice under test meets anyway.
                [[maybe_unused]] ssize_t written = ::write(client, reply.data(), reply.size());
                if (speak) {
                    std::this_thread::sleep_for(std::chrono::milliseconds(300));
                    ::close(client);
                    return;
                }
            }
        }
        ::close(client);
    }

    int m_listening = -1;
    std::thread m_thread;
};

TEST(SpeechDispatcherEndingWhileWritten, NeverEndsTheProcessAndEndsTheText)
{
    std::vector<std::string> problems;
    reportspeechproblem = [&](const std::string& message) { problems.push_back(message); };
    QTemporaryDir folder;
    TServiceEndingAtSpeak service(folder.path() + "/speechd.sock");
    QByteArray saved = qgetenv("SPEECHD_ADDRESS");
    qputenv("SPEECHD_ADDRESS", ("unix_socket:" + folder.path() + "/speechd.sock").toUtf8());
    {
        TSpeechDispatcherVoice voice(false);
        int ends = 0;
        voice.onendstream = [&] { ++ends; };
        voice.speak("A text the service never takes.", false);
        EXPECT_TRUE(waituntil([&] { return ends == 1; }, 5000));
        EXPECT_EQ(problems.size(), 1u);
    }
    qputenv("SPEECHD_ADDRESS", saved);
}

TEST(SpeechDispatcherUnreachable, SaysSoOnceAndEndsEveryTextWithoutHanging)
{
    std::vector<std::string> problems;
    reportspeechproblem = [&](const std::string& message) { problems.push_back(message); };
    QTemporaryDir nowhere;
    QByteArray saved = qgetenv("SPEECHD_ADDRESS");
    qputenv("SPEECHD_ADDRESS", ("unix_socket:" + nowhere.path() + "/none.sock").toUtf8());
    TSpeechDispatcherVoice voice(false);
    int ends = 0;
    voice.onendstream = [&] { ++ends; };
    voice.purge(); // never opens the connection
    EXPECT_TRUE(problems.empty());
    voice.speak("one", false);
    voice.speak("two", false);
    EXPECT_TRUE(waituntil([&] { return ends == 2; }, 3000));
    EXPECT_EQ(problems.size(), 1u);
    qputenv("SPEECHD_ADDRESS", saved);
}

}

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
