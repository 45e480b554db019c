#pragma once
// The application's windows, all created at start-up in a fixed order and
// living until the process ends. The main window's creation does the whole
// start-up; the dialogs after it read what it has set up.

#include "shell/mainwindowhooks.h"

#include <functional>
#include <memory>

class TForm1;
class TForm2;
class TForm3;
class TForm4;
class TForm5;
class TForm6;
class TAboutbox;

struct TApplicationWindows {
    TApplicationWindows();
    ~TApplicationWindows();

    std::unique_ptr<TForm1> form1;
    std::unique_ptr<TForm2> form2;
    std::unique_ptr<TForm3> form3;
    std::unique_ptr<TForm4> form4;
    std::unique_ptr<TForm5> form5;
    std::unique_ptr<TForm6> form6;
    std::unique_ptr<TAboutbox> aboutbox;
};

// Creates the windows in their order; the program is what Start runs. The
// data entry dialog's exit button ends the process at once, as the main
// window does, unless dataentryexit is given.
void createwindows(TApplicationWindows& windows, TMainWindowHooks hooks, std::function<void()> program,
    std::function<void()> dataentryexit = {});
