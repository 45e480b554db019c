#include "shell/Unit1.h"
#include "shell/settings.h"

#include <QApplication>
#include <QFileInfo>

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    QFileInfo program(QCoreApplication::applicationFilePath());
    settingsfilename = (program.absolutePath() + "/" + program.completeBaseName() + ".ini").toStdString();

    TForm1 form;
    form.show();
    return application.exec();
}
