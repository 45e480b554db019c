#include "program/vorkanaprog.h"
#include "shell/Unit1.h"
#include "shell/application.h"
#include "shell/settings.h"
#include "shell/windows.h"

int main(int argc, char* argv[])
{
    TVorkanaApplication application(argc, argv);
    settingsfilename = settingsfilefor(QCoreApplication::applicationFilePath().toStdString());

    TMainWindowHooks hooks;
    TApplicationWindows windows;
    createwindows(windows, std::move(hooks), runprogram);
    windows.form1->show();
    return application.exec();
}
