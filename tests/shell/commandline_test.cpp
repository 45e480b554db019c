#include "shell/commandline.h"

#include <gtest/gtest.h>

namespace {

struct TCase {
    std::vector<std::string> arguments;
    TCommandLineAction action;
    std::string problem;
    std::string programfile = {};
};

TEST(CommandLine, EachArgumentListIsReadAsItShouldBe)
{
    using enum TCommandLineAction;
    const TCase cases[] = {
        { {}, run, "" },
        { { "--version" }, version, "" },
        { { "--help" }, help, "" },
        { { "-h" }, help, "" },
        { { "--bogus" }, fail, "unknown option '--bogus'" },
        { { "-x" }, fail, "unknown option '-x'" },
        { { "quiz.bas" }, run, "", "quiz.bas" },
        { { "-platform", "offscreen", "quiz.bas" }, run, "", "quiz.bas" },
        { { "quiz.bas", "tune.bas" }, fail, "unexpected argument 'tune.bas'" },
        // Qt's own options, with their values, are Qt's to read.
        { { "-platform", "offscreen" }, run, "" },
        { { "--style=fusion", "-reverse" }, run, "" },
        { { "-stylesheet", "--bogus" }, run, "" },
        { { "-title", "Quiz", "-icon", "quiz.png", "quiz.bas" }, run, "", "quiz.bas" },
        { { "--bogus=1" }, fail, "unknown option '--bogus=1'" },
        // Help wins over a wrong option before it, as users expect.
        { { "--bogus", "--help" }, help, "" },
        { { "--version", "--bogus" }, version, "" },
    };
    for (const TCase& entry : cases) {
        TCommandLine line = readcommandline(entry.arguments);
        std::string shown = entry.arguments.empty() ? "(none)" : entry.arguments.front();
        EXPECT_EQ(line.action, entry.action) << shown;
        EXPECT_EQ(line.problem, entry.problem) << shown;
        EXPECT_EQ(line.programfile, entry.programfile) << shown;
    }
}

TEST(CommandLine, TheVersionIsTheReleaseNumber)
{
    EXPECT_EQ(versiontext(), "Vorkana Basic Interpreter 1.7\n");
}

}
