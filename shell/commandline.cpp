#include "shell/commandline.h"

#include <QCommandLineParser>
#include <QStringList>

namespace {

// Qt's own options, which QGuiApplication and its X11 platform take out of
// the arguments later; the parser only has to let them through. Qt has no
// call that lists them.
const char* const qtoptionswithvalue[] = { "platform", "platformpluginpath", "platformtheme", "plugin", "qwindowgeometry",
    "qwindowicon", "qwindowtitle", "session", "style", "stylesheet", "display", "name", "geometry", "title", "icon",
    "qmljsdebugger" };
const char* const qtflags[] = { "reverse", "widgetcount", "nograb", "dograb", "sync" };

QCommandLineOption hidden(QCommandLineOption option)
{
    option.setFlags(QCommandLineOption::HiddenFromHelp);
    return option;
}

// The argument as it was typed, for a message: the parser keeps only the
// option's name.
std::string typedargument(const std::vector<std::string>& arguments, const QString& name)
{
    for (const std::string& argument : arguments) {
        QString bare = QString::fromStdString(argument);
        if (!bare.startsWith('-'))
            continue;
        bare.remove(0, bare.startsWith("--") ? 2 : 1);
        if (bare.section('=', 0, 0) == name)
            return argument;
    }
    return "-" + name.toStdString();
}

}

TCommandLine readcommandline(const std::vector<std::string>& arguments)
{
    QCommandLineParser parser;
    // Qt's options are single words after one dash ("-platform"), so ours
    // are read the same way: "-h" is the word "h", never a cluster.
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption help(QStringList { "h", "help" });
    const QCommandLineOption version("version");
    parser.addOption(help);
    parser.addOption(version);
    for (const char* name : qtoptionswithvalue)
        parser.addOption(hidden(QCommandLineOption(name, {}, "value")));
    for (const char* name : qtflags)
        parser.addOption(hidden(QCommandLineOption(name)));

    QStringList words { "vorkana" };
    for (const std::string& argument : arguments)
        words << QString::fromStdString(argument);
    bool understood = parser.parse(words);
    // Help and the version are given whatever else is wrong, as users expect.
    if (parser.isSet(help))
        return { TCommandLineAction::help, "", "" };
    if (parser.isSet(version))
        return { TCommandLineAction::version, "", "" };
    if (!understood) {
        if (parser.unknownOptionNames().isEmpty())
            return { TCommandLineAction::fail, parser.errorText().toStdString(), "" };
        return { TCommandLineAction::fail, "unknown option '" + typedargument(arguments, parser.unknownOptionNames().front()) + "'",
            "" };
    }
    const QStringList files = parser.positionalArguments();
    if (files.size() > 1)
        return { TCommandLineAction::fail, "unexpected argument '" + files[1].toStdString() + "'", "" };
    return { TCommandLineAction::run, "", files.isEmpty() ? "" : files.front().toStdString() };
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
