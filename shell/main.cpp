#include "runtime/notices.h"
#include "runtime/settings.h"
#include "shell/application.h"
#include "shell/commandline.h"
#include "shell/filelocations.h"
#include "shell/mainwindow.h"
#include "shell/programparts.h"
#include "speech/espeakengine.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

int main(int argc, char* argv[])
{
    TCommandLine commandline = readcommandline(std::vector<std::string>(argv + std::min(argc, 1), argv + argc));
    switch (commandline.action) {
    case TCommandLineAction::help:
        std::fputs(helptext(argc > 0 ? argv[0] : "vorkana").c_str(), stdout);
        return 0;
    case TCommandLineAction::version:
        std::fputs(versiontext().c_str(), stdout);
        return 0;
    case TCommandLineAction::fail:
        std::fprintf(stderr, "vorkana: %s\nTry 'vorkana --help' for the options.\n", commandline.problem.c_str());
        return 2;
    case TCommandLineAction::run:
        break;
    }

    TVorkanaApplication application(argc, argv);
    // A Wayland desktop ties a window to its menu entry by this name, the
    // window's application id.
    QGuiApplication::setDesktopFileName(VORKANA_APP_ID);
    // espeak-ng sets the process's character type; it must start before
    // any other thread does.
    std::string speechproblem;
    if (!initespeak(&speechproblem))
        std::fprintf(stderr, "vorkana: the own voice is unavailable: %s\n", speechproblem.c_str());
    filelocations = findfilelocations(locationfactsfromenvironment(QCoreApplication::applicationFilePath().toStdString()));
    settingsfilename = filelocations.settingsfile;
    std::string folderproblem = createuserfolders(filelocations);
    if (!folderproblem.empty())
        std::fprintf(stderr, "vorkana: %s\n", folderproblem.c_str());

    TProgramParts program;
    if (!speechproblem.empty())
        tell(TNotice::ownvoicemissing);
    program.windows().form1->show();
    // A program that cannot be read is told in a box, which a screen reader
    // reads itself: whether one listens is known first.
    if (!commandline.programfile.empty())
        program.whenscreenreaderknown([&program, path = std::filesystem::absolute(commandline.programfile).string()] {
            program.windows().form1->openprogram(path);
        });
    int status = application.exec();
    program.release();
    return status;
}
