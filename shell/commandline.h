#pragma once
// The command line: a BASIC program file for Start to run instead of the
// built-in game, or a request for help or the version; Qt's own options
// (-platform, -style, -title...) pass through to Qt. Read before any
// application object exists, so that --help and --version work without a
// display.

#include <string>
#include <vector>

enum class TCommandLineAction { run, help, version, fail };

struct TCommandLine {
    TCommandLineAction action = TCommandLineAction::run;
    // For fail: what was wrong, for the standard error.
    std::string problem;
    // For run: the BASIC program file named, or empty for the built-in game.
    std::string programfile;
};

// The arguments after the program's name.
TCommandLine readcommandline(const std::vector<std::string>& arguments);

std::string helptext(const std::string& programname);
std::string versiontext();
