#include "braille/braillesession.h"
#include "braille/brlapidisplay.h"
#include "program/vorkanaprog.h"
#include "runtime/cells.h"
#include "runtime/services.h"
#include "shell/mainwindow.h"
#include "shell/application.h"
#include "shell/brailledisplayview.h"
#include "platform/messagebox.h"
#include "runtime/settings.h"
#include "shell/commandline.h"
#include "shell/filelocations.h"
#include "shell/windows.h"
#include "sound/sounddialog.h"
#include "sound/soundssubmenu.h"
#include "sound/soundsystem.h"
#include "speech/voicedialog.h"
#include "speech/espeakengine.h"
#include "speech/speechlayer.h"
#include "speech/speechsetup.h"
#include "speech/voiceselection.h"
#include "runtime/ResourceLocalizer.h"
#include "ui/virtualscreenwindow.h"

#include <QAction>
#include <algorithm>
#include <cstdio>
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

    TSoundSystem soundsystem;
    TBrailleSession brailledisplay(std::make_unique<TBrlapiDisplay>());
    std::unique_ptr<TBrailleDisplayView> brailleview;
    TApplicationWindows windows;
    TMainWindowHooks hooks;
    hooks.initspeech = [&] { initspeech(soundsystem.speechstream()); };
    hooks.voiceenumeratorexists = [] { return voiceselection.enumeratorexists(); };
    hooks.opensound = [&] {
        soundsystem.opendevice();
        if (!soundsystem.devicemessage().empty())
            std::fprintf(stderr, "vorkana: %s\n", soundsystem.devicemessage().c_str());
    };
    hooks.loadbank = [&](const std::string& path) {
        soundsystem.loadbank(path);
        services.sounds = &soundsystem.player();
    };
    // The device closes first: once it is closed, no audio callback can
    // reach the speech engine that is released after it.
    hooks.releaseengines = [&] {
        soundsystem.release();
        releasespeech();
    };
    hooks.preparevoiceforrun = [] {
        if (!switches.usesapi5)
            voiceselection.preparevoiceforrun();
    };
    hooks.soundscommand = [&] {
        TVoiceAllowing allowing;
        allowing.voiceenumeratorexists = [] { return voiceselection.enumeratorexists(); };
        allowing.allowvoice = [] { voiceselection.allowvoice(); };
        allowing.showmessage = [](const std::string& text) { showmessage(text); };
        allowing.enablevoicecommand = [](bool enabled) { Form1->Voicesubmenu->setEnabled(enabled); };
        soundssubmenucommand(*windows.form5, allowing);
    };
    hooks.voicecommand = [&] { voicesubmenucommand(*windows.form4, Form1->windowTitle().toStdString()); };
    hooks.switchsapi5 = switchsapi5;
    hooks.showvirtualscreen = showvirtualscreen;
    hooks.screenchanged = [&] {
        if (brailleview)
            brailleview->mainscreenchanged();
    };

    createwindows(windows, std::move(hooks), runprogram);
    brailleview = std::make_unique<TBrailleDisplayView>(brailledisplay, windows);
    windows.form1->show();
    int status = application.exec();
    soundsystem.release();
    releasespeech();
    return status;
}
