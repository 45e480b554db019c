// The real program under its own X server, heard through a PulseAudio null
// sink: the virtual screen opened with Up during a run and closed with
// Escape gives its two-tone signal once on the way in and once on the way
// out, and a later Up opens it again. Each utterance on the way (the
// greeting, the screen's name, its end) is whole from its first syllable.

#include "tests/sound/frequencyanalysis.h"
#include "tests/sound/pulsenullsink.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <cmath>
#include <gtest/gtest.h>

namespace {

constexpr int recordingrate = 16000;

// The power of one frequency in the block (Goertzel), on the scale of the
// block's mean square.
double powerat(const float* block, int count, double frequency)
{
    double coefficient = 2 * std::cos(2 * M_PI * frequency / recordingrate);
    double previous = 0, beforeprevious = 0;
    for (int index = 0; index < count; ++index) {
        double current = block[index] + coefficient * previous - beforeprevious;
        beforeprevious = previous;
        previous = current;
    }
    double power = previous * previous + beforeprevious * beforeprevious - coefficient * previous * beforeprevious;
    return 2 * power / (double(count) * count);
}

// The screen signal is 300 and 450 Hz sounding together for 100 ms: each
// 20 ms block of it holds a good share of its power at both, which speech
// and the game's single tones do not. Returns when each signal began, in
// seconds.
std::vector<double> screensignals(const std::vector<float>& recording)
{
    constexpr int block = recordingrate / 50;
    constexpr int shortest = 3; // blocks
    std::vector<double> starts;
    int run = 0;
    for (std::size_t at = 0; at + block <= recording.size(); at += block) {
        const float* samples = recording.data() + at;
        double total = 0;
        for (int index = 0; index < block; ++index)
            total += double(samples[index]) * samples[index];
        total /= block;
        bool signal = total > 0.005 && powerat(samples, block, 300) > 0.15 * total
            && powerat(samples, block, 450) > 0.15 * total;
        run = signal ? run + 1 : 0;
        if (run == shortest)
            starts.push_back(double(at - (shortest - 1) * block) / recordingrate);
    }
    return starts;
}

class VirtualScreenEndToEnd : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (const char* tool : { "Xvfb", "xdotool" })
            if (QStandardPaths::findExecutable(tool).isEmpty())
                GTEST_SKIP() << tool << " is not installed";
        if (!TPulseNullSink::installed())
            GTEST_SKIP() << "pulseaudio and parecord are not installed";
    }

    void TearDown() override
    {
        // The X server is asked to end, so it takes its lock file and
        // socket with it and the display number is free for the next run.
        for (QProcess* process : { &program, &xserver })
            if (process->state() != QProcess::NotRunning) {
                process->terminate();
                if (!process->waitForFinished(5000)) {
                    process->kill();
                    process->waitForFinished(5000);
                }
            }
    }

    // xdotool on our display; its output.
    QString xdotool(const QStringList& arguments)
    {
        QProcess tool;
        tool.setProcessEnvironment(environment);
        tool.start("xdotool", arguments);
        tool.waitForFinished(10000);
        return QString::fromUtf8(tool.readAllStandardOutput()).trimmed();
    }

    void pause(int milliseconds) { QThread::msleep(static_cast<unsigned long>(milliseconds)); }

    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    QProcess xserver;
    QProcess program;
};

}

TEST_F(VirtualScreenEndToEnd, UpOpensOnceEscapeClosesOnceAndUpOpensAgain)
{
    TPulseNullSink server;
    ASSERT_TRUE(server.running()) << server.reason();
    // The X server picks a free display itself and names it on its standard
    // output once it takes connections, so parallel runs never collide; it
    // never resets when its last client leaves.
    xserver.start("Xvfb", { "-displayfd", "1", "-noreset", "-screen", "0", "1280x1024x24", "-nolisten", "tcp" });
    ASSERT_TRUE(xserver.waitForStarted());
    for (int attempt = 0; attempt < 30 && !xserver.canReadLine(); ++attempt)
        xserver.waitForReadyRead(1000);
    QString display = ":" + QString::fromLatin1(xserver.readLine()).trimmed();
    ASSERT_NE(display, ":") << "the X server named no display";
    environment = QProcessEnvironment::systemEnvironment(); // with the sound server's
    environment.insert("DISPLAY", display);
    environment.insert("QT_QPA_PLATFORM", "xcb");
    environment.insert("LANG", "C.UTF-8");

    QTemporaryDir folder;
    for (const char* name : { "vorkana", "sounds.dat", "czech.ebt", "czech.eky" })
        ASSERT_TRUE(QFile::copy(QString(VORKANA_APP_DIR "/") + name, folder.filePath(name))) << name;
    QFile::setPermissions(folder.filePath("vorkana"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    server.startrecording(recordingrate);
    program.setProcessEnvironment(environment);
    program.setWorkingDirectory(folder.path());
    program.start(folder.filePath("vorkana"), {});
    ASSERT_TRUE(program.waitForStarted());
    QString window;
    // A loaded machine starts slowly.
    for (int attempt = 0; attempt < 300 && window.isEmpty(); ++attempt) {
        window = xdotool({ "search", "--onlyvisible", "--name", "Vorkana" }).section('\n', 0, 0);
        if (window.isEmpty())
            pause(100);
    }
    ASSERT_FALSE(window.isEmpty()) << "no window appeared";
    xdotool({ "windowfocus", "--sync", window });
    pause(500);

    xdotool({ "key", "ctrl+s" });
    pause(3000);
    xdotool({ "key", "Up" });
    pause(2000);
    xdotool({ "key", "Escape" });
    pause(4000);
    xdotool({ "key", "Up" });
    pause(2000);
    xdotool({ "key", "Escape" });
    pause(3000);
    program.kill();
    program.waitForFinished(5000);
    std::vector<float> recording = server.stoprecording();
    std::vector<double> starts = screensignals(recording);

    // In, out, in, out, with the keys two, four and two seconds apart. A
    // screen opened twice by one press opens again about a second after
    // it closed, and the next Up then lands inside it.
    ASSERT_EQ(starts.size(), 4u) << "signals at " << ::testing::PrintToString(starts) << " s in "
                                 << recording.size() / double(recordingrate) << " s recorded, RMS " << rms(recording);
    EXPECT_GT(starts[1] - starts[0], 1.0) << ::testing::PrintToString(starts);
    EXPECT_GT(starts[2] - starts[1], 3.0) << ::testing::PrintToString(starts);
    EXPECT_GT(starts[3] - starts[2], 1.0) << ::testing::PrintToString(starts);

    // Speech lost near an utterance's start left about 100 ms of silence
    // there; the pauses inside the words said here are far shorter.
    for (const TSpeechHole& hole : holesnearonsets(recording, recordingrate, 300, 80, 60))
        ADD_FAILURE() << hole.lengthms << " ms of silence " << hole.startms - hole.onsetms
                      << " ms into the utterance at " << hole.onsetms / 1000 << " s";
}
