#include "shell/programparts.h"

#include "braille/braillesession.h"
#include "braille/brlapidisplay.h"
#include "platform/desktopterminal.h"
#include "platform/messagebox.h"
#include "shell/userprogram.h"
#include "runtime/cells.h"
#include "runtime/services.h"
#include "runtime/settings.h"
#include "shell/brailledisplayview.h"
#include "shell/mainwindow.h"
#include "sound/sounddialog.h"
#include "sound/soundssubmenu.h"
#include "platform/screenreaderwatch.h"
#include "shell/accessibilityanswers.h"
#include "shell/noticeboard.h"
#include "sound/soundsystem.h"
#include "speech/speechlayer.h"
#include "speech/speechmessages.h"
#include "speech/speechsetup.h"
#include "speech/voicedialog.h"
#include "speech/voiceselection.h"
#include "ui/virtualscreenwindow.h"

#include <QAction>
#include <cstdio>

TProgramParts::TProgramParts(TProgramChanges changes)
    : m_accessibilityanswers(std::make_unique<TAccessibilityAnswers>())
    , m_screenreaderwatch(std::make_unique<TScreenReaderWatch>())
    , m_soundsystem(std::make_unique<TSoundSystem>())
    , m_brailledisplay(std::make_unique<TBrailleSession>(std::make_unique<TBrlapiDisplay>(desktopterminal())))
{
    TSoundSystem& soundsystem = *m_soundsystem;
    soundsystem.setsleep(sleepansweringquestions);
    TApplicationWindows& windows = m_windows;
    TMainWindowHooks hooks;
    hooks.initspeech = [&soundsystem] { initspeech(soundsystem.speechstream()); };
    hooks.voiceenumeratorexists = [] { return voiceselection.enumeratorexists(); };
    hooks.opensound = [&soundsystem] {
        soundsystem.opendevice();
        soundsystem.holdchangesbetweenwaits();
        if (!soundsystem.devicemessage().empty()) {
            std::fprintf(stderr, "vorkana: %s\n", soundsystem.devicemessage().c_str());
            tell(TNotice::soundmissing);
        }
    };
    hooks.loadbank = [&soundsystem](const std::string& path) {
        soundsystem.loadbank(path);
        services.sounds = &soundsystem.player();
    };
    hooks.releaseengines = [this] { release(); };
    hooks.preparevoiceforrun = [] {
        if (!switches.usesapi5)
            voiceselection.preparevoiceforrun();
    };
    hooks.soundscommand = [&windows] {
        TVoiceAllowing allowing;
        allowing.voiceenumeratorexists = [] { return voiceselection.enumeratorexists(); };
        allowing.allowvoice = [] { voiceselection.allowvoice(); };
        allowing.showmessage = [](const std::string& text) { showmessage(text); };
        allowing.enablevoicecommand = [](bool enabled) { Form1->Voicesubmenu->setEnabled(enabled); };
        soundssubmenucommand(*windows.form5, allowing);
    };
    hooks.voicecommand = [&windows] { voicesubmenucommand(*windows.form4, Form1->windowTitle().toStdString()); };
    hooks.switchsapi5 = switchsapi5;
    hooks.showvirtualscreen = showvirtualscreen;
    hooks.beforewait = [&soundsystem] { soundsystem.sendchanges(); };
    hooks.screenchanged = [this] {
        if (m_brailleview)
            m_brailleview->mainscreenchanged();
    };

    createwindows(m_windows, std::move(hooks), runchosenprogram, std::move(changes.dataentryexit));
    m_brailleview = std::make_unique<TBrailleDisplayView>(*m_brailledisplay, m_windows);
    m_noticeboard = std::make_unique<TNoticeBoard>(
        m_windows.form1->statusBar(), [this](const QString& text) { m_brailleview->shownotice(text); },
        [](const std::string& text) {
            try {
                speechlayer.speaknotice(text);
            } catch (const std::exception& error) {
                std::fprintf(stderr, "vorkana: %s\n", error.what());
            }
        });
    // The program's own voice speaks from the first second, not from the
    // first run: what goes wrong before then is heard too.
    try {
        voiceselection.prepareownvoice();
    } catch (const std::exception& error) {
        showerror(error.what());
    }
    // The voice's values and the Braille display's switch are read after
    // the window's own start-up report.
    tellunreadablesettings();
    reportspeechproblem = [](const std::string& message) {
        std::fprintf(stderr, "%s\n", message.c_str());
        tell(TNotice::systemvoicefailed);
    };
}

void TProgramParts::whenscreenreaderknown(std::function<void()> call)
{
    m_screenreaderwatch->whenanswered(std::move(call));
}

TProgramParts::~TProgramParts() = default;

void TProgramParts::release() noexcept
{
    m_soundsystem->release();
    releasespeech();
}
