#include "shell/windows.h"

#include "shell/mainwindow.h"
#include "shell/dataentrydialog.h"
#include "sound/sounddialog.h"
#include "speech/voicedialog.h"
#include "ui/environmentdialog.h"
#include "ui/virtualscreenwindow.h"
#include "ui/aboutbox.h"


TApplicationWindows::TApplicationWindows() = default;
TApplicationWindows::~TApplicationWindows() = default;

void createwindows(TApplicationWindows& windows, TMainWindowHooks hooks, std::function<void()> program,
    std::function<void()> dataentryexit)
{
    windows.form1 = std::make_unique<TForm1>(std::move(hooks), std::move(program));
    TForm1* form1 = windows.form1.get();
    if (!dataentryexit)
        dataentryexit = [form1] { form1->endatonce(); };
    windows.form2 = std::make_unique<TForm2>(form1, std::move(dataentryexit));
    windows.form3 = std::make_unique<TForm3>(form1);
    windows.form4 = std::make_unique<TForm4>(form1);
    windows.form5 = std::make_unique<TForm5>(form1);
    windows.form6 = std::make_unique<TForm6>(form1);
    windows.aboutbox = std::make_unique<TAboutbox>(windows.form1.get());
}
