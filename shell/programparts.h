#pragma once
// The running program's parts, joined the one way the program joins them:
// the sound system, the Braille display, the main window's hooks into the
// speech and sound subsystems, and the windows. The program makes them so,
// and so does every test that runs it whole; such a test names only what it
// changes.

#include "shell/windows.h"

#include <functional>
#include <memory>

class TAccessibilityAnswers;
class TNoticeBoard;
class TScreenReaderWatch;
class TBrailleDisplayView;
class TBrailleSession;
class TSoundSystem;

// What a caller changes in the program; whatever is left empty is as the
// program has it.
struct TProgramChanges {
    // What the data entry dialog's exit button does instead of ending the
    // process at once.
    std::function<void()> dataentryexit;
};

class TProgramParts {
public:
    // The own voice engine and the settings file's name come first: the
    // windows read the settings as they are made. Nothing is shown yet.
    explicit TProgramParts(TProgramChanges changes = {});
    ~TProgramParts();
    TProgramParts(const TProgramParts&) = delete;
    TProgramParts& operator=(const TProgramParts&) = delete;

    TApplicationWindows& windows() { return m_windows; }

    // Runs the call once it is known whether a screen reader listens
    // (platform/screenreaderwatch.h), from the event loop.
    void whenscreenreaderknown(std::function<void()> call);

    // The orderly end of the engines. The device closes first: once it is
    // closed, no audio callback can reach the speech engine that is
    // released after it.
    void release() noexcept;

private:
    std::unique_ptr<TAccessibilityAnswers> m_accessibilityanswers;
    std::unique_ptr<TScreenReaderWatch> m_screenreaderwatch;
    std::unique_ptr<TSoundSystem> m_soundsystem;
    std::unique_ptr<TBrailleSession> m_brailledisplay;
    std::unique_ptr<TBrailleDisplayView> m_brailleview;
    std::unique_ptr<TNoticeBoard> m_noticeboard;
    TApplicationWindows m_windows;
};
