#include "runtime/cells.h"
#include "runtime/errors.h"
#include "runtime/notices.h"
#include "runtime/print.h"
#include "runtime/runframe.h"
#include "runtime/screen.h"
#include "runtime/tones.h"
#include "tests/support/scriptedhost.h"
#include "runtime/ResourceLocalizer.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

namespace {

// Runs in a folder of its own, since "data.dta" is looked for in the
// working directory.
class RunFrameTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        resetcells();
        CurrentLanguage = 2000;
        previous = std::filesystem::current_path();
        folder = std::filesystem::temp_directory_path() / ("vorkana-run-" + std::to_string(::getpid()));
        std::filesystem::create_directories(folder);
        std::filesystem::current_path(folder);
    }
    void TearDown() override
    {
        std::filesystem::current_path(previous);
        std::filesystem::remove_all(folder);
        CurrentLanguage = 1000;
    }

    std::filesystem::path previous;
    std::filesystem::path folder;
    TScriptedHost host;
};

}

TEST_F(RunFrameTest, RunEndsWithTheReadyTextAndMarksTheProgramStarted)
{
    runstart([] { printtext("hi", 0); });
    EXPECT_EQ(host.said(), (std::vector<std::string> { "hi", "ready" }));
    EXPECT_TRUE(runtimecells.programstarted);
}

TEST_F(RunFrameTest, EachRunResetsToneMemoryAndColumnButKeepsTheRow)
{
    runstart([] {
        sound({ 100 }, 250, 7);
        printtext("abc", 1);
    });
    EXPECT_EQ(scrcursor.row(), 1); // after "ready"
    runstart([] {
        EXPECT_EQ(runtimecells.lasttimbre, 1);
        EXPECT_EQ(runtimecells.lastduration, 1);
        EXPECT_EQ(scrcursor.column(), 0);
        EXPECT_EQ(scrcursor.row(), 1);
    });
}

TEST_F(RunFrameTest, DataFileIsOpenDuringTheRunOnlyWhenPresent)
{
    bool openwithout = true;
    runstart([&] { openwithout = datafileopen(); });
    EXPECT_FALSE(openwithout);

    std::ofstream("data.dta") << "1\n";
    bool openwith = false;
    runstart([&] { openwith = datafileopen(); });
    EXPECT_TRUE(openwith);
    EXPECT_FALSE(datafileopen());
}

// The error that ends a run is its last line, on a line of its own, said
// before "ready"; its box then only shows it again, and data.dta is closed.
TEST_F(RunFrameTest, AnErrorEndsTheRunAsItsLastLineSaidBeforeReady)
{
    std::ofstream("data.dta") << "1\n";
    std::vector<TTelling> told;
    setnoticereceiver([&](const TTelling& telling) { told.push_back(telling); });
    EXPECT_THROW(runstart([] {
        printtext("start", 1);
        throw TVorkanaError("line 30: division by zero");
    }),
        TToldError);
    setnoticereceiver(nullptr);
    EXPECT_FALSE(datafileopen());
    EXPECT_EQ(host.said(), (std::vector<std::string> { "start", "line 30: division by zero", "ready" }));
    EXPECT_EQ(screen.line(0).substr(0, 5), "start");
    EXPECT_EQ(screen.line(1).substr(0, 25), "line 30: division by zero");
    EXPECT_EQ(screen.line(2).substr(0, 5), "ready");
    EXPECT_EQ(told, (std::vector<TTelling> { { std::nullopt, "line 30: division by zero", true } }));
}
