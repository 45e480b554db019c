// The tones game played by ear: the real program under its own X server,
// its sound going to a PulseAudio null sink of its own whose monitor this
// program records. It starts the game with the keys a player uses, finds
// the item tones of each round by their pitch (item k sounds at 500 x k Hz),
// types them back, and plays three rounds. Every item tone must be whole:
// no run of silence inside it. Durations are taken loosely (a busy machine
// stretches them); pitches and order exactly.
// Usage: tonegame_e2e <program> <folder with its data files>
// Exit 0 passed, 1 failed, 77 skipped (a tool is missing).

#include "tests/sound/frequencyanalysis.h"
#include "tests/sound/monitorrecorder.h"
#include "tests/sound/pulsenullsink.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

constexpr int rate = 48000;
constexpr std::size_t window = rate / 50; // 20 ms
constexpr double itemms = 500;
constexpr int rounds = 3;

bool installed(const char* tool)
{
    return std::system((std::string("command -v ") + tool + " >/dev/null 2>&1").c_str()) == 0;
}

// A child process, ended by its id.
class TChild {
public:
    TChild(const std::vector<std::string>& arguments, const std::string& folder = {}, int keepfd = -1)
    {
        m_pid = fork();
        if (m_pid == 0) {
            if (!folder.empty() && chdir(folder.c_str()) != 0)
                _exit(127);
            for (int fd = 3; fd < 256; ++fd)
                if (fd != keepfd)
                    close(fd);
            std::vector<char*> argv;
            for (const auto& argument : arguments)
                argv.push_back(const_cast<char*>(argument.c_str()));
            argv.push_back(nullptr);
            execvp(argv[0], argv.data());
            _exit(127);
        }
    }
    ~TChild()
    {
        if (m_pid > 0) {
            kill(m_pid, SIGKILL);
            waitpid(m_pid, nullptr, 0);
        }
    }
    bool running() const { return m_pid > 0 && kill(m_pid, 0) == 0; }

private:
    pid_t m_pid = -1;
};

int failures = 0;

void fail(const std::string& what)
{
    std::printf("FAIL: %s\n", what.c_str());
    ++failures;
}

bool xdotool(const std::string& arguments)
{
    return std::system(("xdotool " + arguments + " >/dev/null 2>&1").c_str()) == 0;
}

std::string capture(const std::string& command)
{
    std::string text;
    if (FILE* pipe = popen(command.c_str(), "r")) {
        char buffer[256];
        while (std::size_t read = std::fread(buffer, 1, sizeof buffer, pipe))
            text.append(buffer, read);
        pclose(pipe);
    }
    while (!text.empty() && (text.back() == '\n' || text.back() == ' '))
        text.pop_back();
    return text;
}

// A stretch of one item pitch, made of one or more items in a row.
struct TItemRun {
    int item;
    std::size_t start; // sample
    std::size_t length;
    bool complete; // something else follows it
    int count() const { return std::max(0, int(std::lround(1000.0 * double(length) / rate / itemms))); }
};

// The item (1..5) whose pitch a window sounds, 0 for none.
int windowitem(const float* samples)
{
    std::vector<float> part(samples, samples + window);
    if (rms(part) < 0.02)
        return 0;
    double hertz = zerocrossingfrequency(part, rate);
    int item = int(std::lround(hertz / 500));
    if (item < 1 || item > 5 || std::abs(hertz - 500.0 * item) > 500.0 * item * 0.02)
        return 0;
    return item;
}

std::vector<TItemRun> itemruns(const std::vector<float>& samples)
{
    std::vector<TItemRun> runs;
    int gap = 0;
    for (std::size_t start = 0; start + window <= samples.size(); start += window) {
        int item = windowitem(samples.data() + start);
        if (item != 0 && !runs.empty() && runs.back().item == item && !runs.back().complete) {
            // A window between two of the same pitch, where one item gives way to the next.
            runs.back().length = start + window - runs.back().start;
            gap = 0;
            continue;
        }
        if (!runs.empty() && !runs.back().complete && (item != 0 || ++gap > 1))
            runs.back().complete = true;
        if (item != 0) {
            runs.push_back({ item, start, window, false });
            gap = 0;
        }
    }
    return runs;
}

// Runs of exact zeros of half a millisecond or more inside the run's items.
// Where one item of a pitch follows another the tone may stop for a moment
// between them: that is not inside a tone.
int dropouts(const std::vector<float>& samples, const TItemRun& run)
{
    const std::size_t edge = rate / 200;
    const int items = std::max(1, run.count());
    const double itemlength = double(run.length) / items;
    int found = 0, zeros = 0;
    for (std::size_t n = run.start + edge; n < run.start + run.length - edge && n < samples.size(); ++n) {
        if (samples[n] == 0.0f) {
            ++zeros;
            continue;
        }
        if (zeros >= rate / 2000) {
            double at = double(n - run.start) / itemlength;
            bool betweenitems = std::abs(at - std::round(at)) * itemlength < rate / 20.0;
            if (!betweenitems)
                ++found;
        }
        zeros = 0;
    }
    return found;
}

// Waits for the round's sequence of `count` items to have been played in
// full after the sample, and returns its items.
std::vector<int> listen(const TMonitorRecorder& recorder, std::size_t from, std::size_t count, int round)
{
    auto deadline = std::chrono::steady_clock::now() + 60s;
    while (std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(200ms);
        auto samples = recorder.copy(from);
        std::vector<int> items;
        std::vector<TItemRun> used;
        for (const auto& run : itemruns(samples)) {
            if (!run.complete)
                break;
            for (int item = 0; item < run.count() && items.size() < count; ++item)
                items.push_back(run.item);
            if (run.count() > 0)
                used.push_back(run);
            if (items.size() >= count)
                break;
        }
        if (items.size() < count)
            continue;
        for (const auto& run : used)
            if (int found = dropouts(samples, run))
                fail("round " + std::to_string(round) + ": " + std::to_string(found) + " drop-outs inside the "
                    + std::to_string(500 * run.item) + " Hz tone at " + std::to_string((from + run.start) / (rate / 1000))
                    + " ms");
        return items;
    }
    return {};
}

// What was heard from the sample on, for the failure's message.
void describe(const TMonitorRecorder& recorder, std::size_t from)
{
    auto samples = recorder.copy(from);
    for (const auto& run : itemruns(samples))
        std::printf("  heard %d Hz at %zu ms for %zu ms\n", 500 * run.item, (from + run.start) / (rate / 1000),
            run.length / (rate / 1000));
    for (const auto& stretch : soundingstretches(samples, rate, 0.02f))
        std::printf("  sound at %.0f ms for %.0f ms\n", double(from) * 1000 / rate + stretch.startms, stretch.lengthms);
}

std::string listed(const std::vector<int>& items)
{
    std::string text;
    for (int item : items)
        text += std::to_string(item);
    return text;
}

}

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s program appfolder\n", argv[0]);
        return 2;
    }
    for (const char* tool : { "Xvfb", "xdotool" })
        if (!installed(tool)) {
            std::printf("SKIP: %s is not installed\n", tool);
            return 77;
        }
    if (!TPulseNullSink::installed()) {
        std::printf("SKIP: pulseaudio and parecord are not installed\n");
        return 77;
    }
    const fs::path program = fs::absolute(argv[1]);
    const fs::path appfolder = fs::absolute(argv[2]);

    // The sound server, in a private runtime folder this process and the
    // program share.
    TPulseNullSink server;
    if (!server.running()) {
        fail("PulseAudio did not start: " + server.reason());
        return 1;
    }
    // The X server picks a free display itself, so parallel runs never collide.
    int displaypipe[2];
    if (pipe(displaypipe) != 0)
        return 1;
    TChild xserver({ "Xvfb", "-displayfd", std::to_string(displaypipe[1]), "-screen", "0", "1280x1024x24",
                       "-nolisten", "tcp" },
        {}, displaypipe[1]);
    close(displaypipe[1]);
    std::string display;
    char digit;
    while (read(displaypipe[0], &digit, 1) == 1 && digit != '\n')
        display += digit;
    close(displaypipe[0]);
    if (display.empty()) {
        fail("Xvfb gave no display");
        return 1;
    }
    setenv("DISPLAY", (":" + display).c_str(), 1);
    setenv("QT_QPA_PLATFORM", "xcb", 1);
    setenv("LANG", "C.UTF-8", 1);

    // The program in a folder of its own, the voice off so that only tones
    // and device sounds are heard.
    fs::path folder = fs::path(std::getenv("XDG_RUNTIME_DIR")) / "game";
    fs::create_directories(folder);
    fs::copy_file(program, folder / "vorkana");
    for (const char* file : { "sounds.dat", "czech.ebt", "czech.eky" })
        if (fs::exists(appfolder / file))
            fs::copy_file(appfolder / file, folder / file);
    std::ofstream(folder / "vorkana.ini") << "[voice]\nvoiceallowed=0\n";

    TMonitorRecorder recorder("ci_sink.monitor", rate);
    if (!recorder.running()) {
        fail("the monitor cannot be recorded: " + recorder.reason());
        return 1;
    }
    TChild game({ (folder / "vorkana").string() }, folder.string());
    std::string windowid;
    for (int attempt = 0; attempt < 300 && windowid.empty(); ++attempt) {
        std::this_thread::sleep_for(100ms);
        windowid = capture("xdotool search --onlyvisible --name Vorkana 2>/dev/null | head -n 1");
    }
    if (windowid.empty()) {
        fail("no window appeared");
        return 1;
    }
    xdotool("windowfocus --sync " + windowid);
    std::this_thread::sleep_for(500ms);

    // The greeting's ladder, then the questions: no codes, no rules, the tones game.
    std::size_t started = recorder.recorded();
    xdotool("key ctrl+s");
    auto ladderdeadline = std::chrono::steady_clock::now() + 30s;
    for (;;) {
        std::this_thread::sleep_for(200ms);
        auto runs = itemruns(recorder.copy(started));
        if (std::count_if(runs.begin(), runs.end(), [](const TItemRun& run) { return run.complete; }) >= 5)
            break;
        if (std::chrono::steady_clock::now() > ladderdeadline) {
            fail("the greeting's five ladder tones were not heard");
            return 1;
        }
    }
    for (const char* key : { "space", "space", "t" }) {
        std::this_thread::sleep_for(1500ms);
        xdotool(std::string("key ") + key);
    }

    std::vector<int> sequence;
    std::size_t from = recorder.recorded();
    for (int round = 1; round <= rounds && failures == 0; ++round) {
        auto heard = listen(recorder, from, std::size_t(round), round);
        if (heard.size() != std::size_t(round)) {
            fail("round " + std::to_string(round) + ": the sequence of " + std::to_string(round)
                + " item tones was not heard (" + listed(heard) + ")");
            describe(recorder, from);
            break;
        }
        // Each round replays the sequence so far and adds one item.
        if (!std::equal(sequence.begin(), sequence.end(), heard.begin()))
            fail("round " + std::to_string(round) + ": heard " + listed(heard) + " after " + listed(sequence));
        sequence = heard;
        std::printf("round %d: heard %s\n", round, listed(heard).c_str());
        std::fflush(stdout);
        for (int item : heard) {
            std::size_t typed = recorder.recorded();
            xdotool("key " + std::to_string(item));
            // The key's own tone is played back before the next key is typed.
            auto echo = listen(recorder, typed, 1, round);
            if (echo != std::vector<int> { item }) {
                fail("round " + std::to_string(round) + ": the key " + std::to_string(item) + " was played back as "
                    + listed(echo));
                describe(recorder, typed);
                break;
            }
        }
        // Past the last key's tone: the next sequence follows after rests of three seconds.
        from = recorder.recorded();
    }
    // A wrong answer would end the game with the right sequence and noise;
    // a right one goes on to a longer sequence.
    if (failures == 0) {
        auto next = listen(recorder, from, std::size_t(rounds + 1), rounds + 1);
        if (!std::equal(sequence.begin(), sequence.end(), next.begin()) || next.size() != sequence.size() + 1)
            fail("after three right rounds the game did not go on: heard " + listed(next));
    }
    if (!game.running())
        fail("the program ended during the game");
    if (failures == 0)
        std::printf("PASS\n");
    return failures == 0 ? 0 : 1;
}
