#pragma once
// The command line. The program takes no arguments of its own besides
// asking for help or its version; Qt's own options (-platform, -style...)
// pass through to Qt. Read before any window exists, so that --help and
// --version work without a display.

#include <string>
#include <vector>

enum class TCommandLineAction { run, help, version, fail };

struct TCommandLine {
    TCommandLineAction action = TCommandLineAction::run;
    // For fail: what was wrong, for the standard error.
    std::string problem;
};

// The arguments after the program's name.
TCommandLine readcommandline(const std::vector<std::string>& arguments);

std::string helptext(const std::string& programname);
std::string versiontext();
