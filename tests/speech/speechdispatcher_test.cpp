// The system voice with a real speech-dispatcher that the test starts on its
// own socket, speaking into a PulseAudio null sink the test also starts.

#include "speech/speechdispatchervoice.h"
#include "speech/speechmessages.h"
#include "tests/support/waituntil.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <chrono>
#include <gtest/gtest.h>

namespace {

using namespace std::chrono;

// Both servers live for the whole suite and are stopped by their process.
class SpeechDispatcher : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        for (const char* program : { "pulseaudio", "speech-dispatcher" })
            if (QStandardPaths::findExecutable(program).isEmpty()) {
                missing = std::string(program) + " is not installed";
                return;
            }
        directory = new QTemporaryDir;
        QString root = directory->path();
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("XDG_RUNTIME_DIR", root);
        environment.insert("HOME", root);
        environment.insert("PULSE_SERVER", "unix:" + root + "/pulse.sock");

        pulse = new QProcess;
        pulse->setProcessEnvironment(environment);
        pulse->start("pulseaudio", { "--daemonize=no", "--exit-idle-time=-1", "-n", "--disable-shm=yes",
                                       "--load=module-native-protocol-unix socket=" + root + "/pulse.sock",
                                       "--load=module-null-sink sink_name=ci_sink" });
        if (!waituntil([&] { return QFileInfo::exists(root + "/pulse.sock"); }, 10000)) {
            missing = "the PulseAudio server did not start";
            return;
        }
        // The test's own configuration: audio straight to the null sink's
        // server, and the plain espeak-ng module.
        QString configuration = root + "/speechd";
        QProcess::execute("cp", { "-r", "/etc/speech-dispatcher", configuration });
        QFile settings(configuration + "/speechd.conf");
        if (!settings.open(QIODevice::Append)) {
            missing = "no speech-dispatcher configuration to start from";
            return;
        }
        settings.write("\nAudioOutputMethod \"pulse\"\nDefaultModule espeak-ng\n");
        settings.close();
        service = new QProcess;
        service->setProcessEnvironment(environment);
        service->start("speech-dispatcher", { "-s", "-t", "0", "-C", configuration, "-c", "unix_socket", "-S", root + "/speechd.sock",
                                                "-P", root + "/speechd.pid", "-L", root });
        if (!waituntil([&] { return QFileInfo::exists(root + "/speechd.sock"); }, 10000)) {
            missing = "speech-dispatcher did not start";
            return;
        }
        qputenv("SPEECHD_ADDRESS", ("unix_socket:" + root + "/speechd.sock").toUtf8());
    }

    static void TearDownTestSuite()
    {
        for (QProcess* process : { service, pulse })
            if (process) {
                process->terminate();
                if (!process->waitForFinished(5000))
                    process->kill();
                process->waitForFinished(2000);
                delete process;
            }
        service = pulse = nullptr;
        delete directory;
        directory = nullptr;
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

    static inline std::string missing;
    static inline QTemporaryDir* directory = nullptr;
    static inline QProcess* pulse = nullptr;
    static inline QProcess* service = nullptr;

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
    std::string longtext;
    for (int repeat = 0; repeat < 30; ++repeat)
        longtext += "This is a long sentence that the purge cuts off. ";
    voice->speak(longtext, false);
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

TEST_F(SpeechDispatcher, MarkupIsSpokenWithoutItsTags)
{
    EXPECT_EQ(plaintextfrommarkup("<pitch middle=\"5\">a &amp; b</pitch>"), "a & b");
    EXPECT_EQ(plaintextfrommarkup("unclosed <tag"), "unclosed ");
    voice->speak("<emph>A</emph>", true);
    ASSERT_TRUE(waituntil([&] { return events.size() >= 2; }, 15000));
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
