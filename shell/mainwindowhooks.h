#pragma once
// The main window's calls into the speech and sound subsystems, each empty
// until the subsystem fills it in. The window calls them at the right steps
// of start-up, of the Start command, of its menu commands and of ending.

#include <functional>
#include <string>

struct TMainWindowHooks {
    // Start-up, before the settings are read: creates the own voice engine's
    // objects; a failure is silent and leaves no voice enumerator.
    std::function<void()> initspeech;
    // Whether the own voice engine can list voices (decides the voice
    // switch of a first run).
    std::function<bool()> voiceenumeratorexists;
    // Start-up: opens the sound device, then loads the bank file.
    std::function<void()> opensound;
    std::function<void(const std::string& path)> loadbank;
    // Every way of ending: stops the speech engines and closes the sound
    // device. Errors are ignored.
    std::function<void()> releaseengines;
    // The Start command, before the run: puts the chosen voice in use.
    std::function<void()> preparevoiceforrun;
    // The Sounds... and Voice... menu commands.
    std::function<void()> soundscommand;
    std::function<void()> voicecommand;
    // The Use SAPI5 command, after the item's check has changed.
    std::function<void(bool checked)> switchsapi5;
    // The screen shown in the window changed.
    std::function<void()> screenchanged;
    // The running program is about to wait (for an event, or a pause).
    std::function<void()> beforewait;
    // Up or Down alone opens the virtual screen once a program has run.
    std::function<void()> showvirtualscreen;
};
