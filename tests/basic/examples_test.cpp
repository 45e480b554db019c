// Each program in examples/ run to its end under the scripted host, with
// the keys a newcomer would type: how it ends is what was said last.

#include "basic/machine.h"
#include "runtime/cells.h"
#include "runtime/runframe.h"
#include "tests/support/scriptedhost.h"

#include <functional>
#include <gtest/gtest.h>

namespace {

struct TExample {
    const char* file;
    std::function<void(TScriptedHost&)> type;
    std::vector<std::string> lastsaid;
    std::size_t tones;
};

constexpr const char* tenanswers[] = { "Eva", "praha", "56", "8", "Bratislava", "366", "ZELENÁ", "25", "kočka", "60",
    "Labe" };

}

TEST(Examples, EachRunsToItsEnd)
{
    const TExample examples[] = {
        { "quiz.bas",
            [](TScriptedHost& host) {
                host.after("Kolik je dva plus tři?", "5");
                host.after("Kolik nohou má pavouk?", "x"); // not a digit: still waiting
                host.press("6");
                host.after("Kolik dní má týden?", "7");
            },
            { "Kolik nohou má pavouk?", "Ne, správně je ", "8", "Kolik dní má týden?", "Ano, ", "7", "Správně ", "2",
                " ze tří." },
            0 },
        { "tune.bas", [](TScriptedHost&) {}, { "Stupnice.", "Melodie.", "Akord.", "Konec." }, 8 + 7 + 3 },
        { "keyecho.bas",
            [](TScriptedHost& host) {
                host.after("Piš klávesy, mezerník končí.", "a");
                host.press("ž");
                host.press(" ");
            },
            { "a", "ž", "Konec, kláves: ", "2" }, 0 },
        { "talkingquiz.bas", [](TScriptedHost& host) { host.typedlines.assign(std::begin(tenanswers), std::end(tenanswers)); },
            { "Správně.", "Otázka ", "10", "Nejdelší řeka Česka?", "Ne, správně je ", "Vltava", "Eva", " máš ", "9",
                " bodů z deseti." },
            0 },
        // Its data file lies beside it: five words, two of them known.
        { "drill.bas", [](TScriptedHost& host) { host.typedlines = { "dog", "kitten", "House", "wine", "bred" }; },
            { "Přelož: ", "chléb", "Ne, ", "bread", "Hotovo: ", "2", " z ", "5" }, 0 },
    };
    for (const auto& example : examples) {
        resetcells();
        switches.voiceallowed = true;
        TScriptedHost host;
        example.type(host);
        TBasicProgram program = loadbasic(readsourcefile(std::string(VORKANA_EXAMPLES) + "/" + example.file));
        setdatafilefolder(VORKANA_EXAMPLES);
        runstart([&] { runbasic(program); });
        setdatafilefolder({});
        EXPECT_TRUE(host.allkeysdelivered() && host.typedlines.empty()) << example.file;
        std::vector<std::string> said = host.said();
        said.pop_back(); // the ready text of Start
        std::size_t count = std::min(said.size(), example.lastsaid.size());
        EXPECT_EQ(std::vector<std::string>(said.end() - static_cast<std::ptrdiff_t>(count), said.end()), example.lastsaid)
            << example.file;
        EXPECT_EQ(host.entries("tone ").size(), example.tones) << example.file;
    }
}
