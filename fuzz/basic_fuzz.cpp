// Any text as a BASIC program: reading it gives a program or a syntax
// error, and running that program ends, by END, by a run error or by the
// budget below, never by a crash or a hang. The host answers every wait at
// once, hands the keyboard a key now and then and INPUT a line of its
// choosing; a small "data.dta" is open for INPUT #1.

#include "basic/machine.h"
#include "runtime/cells.h"
#include "runtime/errors.h"
#include "runtime/lineinput.h"
#include "runtime/runframe.h"
#include "runtime/services.h"
#include "runtime/tones.h"

#include <array>
#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace {

// The run has used its share: enough to reach loops, waits and errors.
struct TBudgetSpent {};

class TFuzzHost final : public TRuntimeHost, public TSpeaker, public TSoundPlayer, public TLineInput {
public:
    TFuzzHost()
    {
        services = { this, this, this };
        setlineinput(this);
    }
    ~TFuzzHost() override
    {
        resetservices();
        setlineinput(nullptr);
    }

    // Numbers, words, lists and nothing, in turn. A line costs as much as
    // a user typing it, so a program asking again and again ends soon.
    std::string inputline() override
    {
        static constexpr std::array<const char*, 6> lines = { "12", "slovo", "1, 2, 3", "", "2,5", "-1e308" };
        spend(linecost);
        return lines[m_lines++ % lines.size()];
    }

    void pumpevents() override
    {
        spend();
        if (m_calls % 3 == 0)
            runtimecells.keybuffer = std::string(1, static_cast<char>('0' + m_calls % 75));
    }
    void waitforevent() override
    {
        spend();
        tonetimerexpired();
    }
    // A loop that never waits: its first turn ends the run.
    void givewindowturn() override { throw TBudgetSpent {}; }
    void sleepms(int) override { spend(); }
    void starttonetimer(int) override { spend(); }
    void stoptonetimer() override { }
    TTimeOfDay timeofday() override { return { 13, 5, 7 }; }
    double randomdraw() override
    {
        spend();
        m_draw = m_draw * 0.618 + 0.31;
        return m_draw - static_cast<int>(m_draw);
    }
    void reseedrandom() override { }
    void screenchanged() override { }

    void speak(const std::string&) override { spend(); }
    void speakwait(const std::string&) override { spend(); }
    void speakchar(const std::string&) override { spend(); }
    void stopspeech() override { }

    void startlooped(const std::string&, int, int) override { spend(); }
    void stopall(const std::string&) override { }
    void playwait(const std::string&, int) override { spend(); }

private:
    void spend(int cost = 1)
    {
        m_calls += cost;
        if (m_calls > 5000)
            throw TBudgetSpent {};
    }

    static constexpr int linecost = 100;
    int m_calls = 0;
    std::size_t m_lines = 0;
    double m_draw = 0;
};

// A folder of the process's own with a three-line data file.
std::string datafolder()
{
    static const std::string folder = [] {
        auto path = std::filesystem::temp_directory_path() / ("vorkana-fuzz-" + std::to_string(::getpid()));
        std::filesystem::create_directories(path);
        std::ofstream(path / "data.dta", std::ios::binary) << "první, 2\r\n3,5\nslovo\n";
        return path.string();
    }();
    return folder;
}

}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    resetcells();
    switches.voiceallowed = true;
    setdatafilefolder(datafolder());
    TFuzzHost host;
    try {
        TBasicProgram program = loadbasic(std::string_view(reinterpret_cast<const char*>(data), size));
        runstart([&] { runbasic(program); });
    } catch (const TVorkanaError&) {
    } catch (const TBudgetSpent&) {
    }
    return 0;
}
