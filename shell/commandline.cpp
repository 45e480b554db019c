#include "shell/commandline.h"

#include <algorithm>
#include <array>
#include <string_view>

namespace {

// Qt's own options, without their leading dash: the ones that take a value
// and the ones that do not.
constexpr std::array<std::string_view, 14> qtoptionswithvalue { "platform", "platformpluginpath", "platformtheme", "plugin",
    "qwindowgeometry", "qwindowicon", "qwindowtitle", "session", "style", "stylesheet", "display", "name", "geometry",
    "qmljsdebugger" };
constexpr std::array<std::string_view, 5> qtflags { "reverse", "widgetcount", "nograb", "dograb", "sync" };

template<size_t size>
bool among(const std::array<std::string_view, size>& names, std::string_view name)
{
    return std::find(names.begin(), names.end(), name) != names.end();
}

}

TCommandLine readcommandline(const std::vector<std::string>& arguments)
{
    TCommandLine result;
    for (size_t index = 0; index < arguments.size(); ++index) {
        const std::string& argument = arguments[index];
        if (argument == "--help" || argument == "-h")
            return { TCommandLineAction::help, "", "" };
        if (argument == "--version")
            return { TCommandLineAction::version, "", "" };
        if (result.action == TCommandLineAction::fail)
            continue;
        std::string_view name = argument;
        // Qt takes "-style" and "--style" alike.
        if (name.size() > 1 && name[0] == '-') {
            name.remove_prefix(name.size() > 2 && name[1] == '-' ? 2 : 1);
        } else {
            if (result.programfile.empty())
                result.programfile = argument;
            else
                result = { TCommandLineAction::fail, "unexpected argument '" + argument + "'", "" };
            continue;
        }
        std::string_view bare = name.substr(0, name.find('='));
        if (among(qtoptionswithvalue, bare)) {
            if (bare.size() == name.size())
                ++index;
            continue;
        }
        if (among(qtflags, name))
            continue;
        result = { TCommandLineAction::fail, "unknown option '" + argument + "'", "" };
    }
    return result;
}

std::string helptext(const std::string& programname)
{
    return "Usage: " + programname + " [--help] [--version] [FILE.bas]\n"
        "\n"
        "Vorkana Basic Interpreter: a talking BASIC runtime for blind users. Start runs\n"
        "the BASIC program FILE.bas when one is given (or opened with Ctrl+O), and the\n"
        "built-in memory game otherwise. Everything it prints is spoken; the keyboard is\n"
        "the only way in.\n"
        "\n"
        "Options:\n"
        "  -h, --help     print this help and end\n"
        "  --version      print the version and end\n"
        "Qt's own options (-platform, -style, -reverse...) are passed to Qt.\n"
        "\n"
        "Keys: Ctrl+O opens a program, Ctrl+S starts it, Alt+F4 ends the program, Up or\n"
        "Down opens the virtual screen. See the manual page vorkana(6) for every key and\n"
        "file and for the BASIC language.\n"
        "\n"
        "Files: when the current folder holds sounds.dat, every file is used there and\n"
        "the settings beside the program. Otherwise the data comes from the installed\n"
        "data folder, the device memory is $XDG_DATA_HOME/vorkana/ram.dat and the\n"
        "settings $XDG_CONFIG_HOME/vorkana/vorkana.ini.\n";
}

std::string versiontext()
{
    return std::string("Vorkana Basic Interpreter ") + VORKANA_VERSION + "\n";
}
