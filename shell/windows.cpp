#include "shell/windows.h"

#include "shell/Unit1.h"
#include "ui/Unit3.h"
#include "ui/Unit7.h"

#include <filesystem>

TApplicationWindows::TApplicationWindows() = default;
TApplicationWindows::~TApplicationWindows() = default;

void createwindows(TApplicationWindows& windows, TMainWindowHooks hooks, std::function<void()> program)
{
    windows.form1 = std::make_unique<TForm1>(std::move(hooks), std::move(program));
    windows.form3 = std::make_unique<TForm3>(windows.form1.get());
    windows.aboutbox = std::make_unique<TAboutbox>(windows.form1.get());
}

std::string settingsfilefor(const std::string& programfile)
{
    return std::filesystem::path(programfile).replace_extension(".ini").string();
}
