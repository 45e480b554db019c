#pragma once
// The Sounds... command: opens the sound settings dialog on the current
// switches and, on OK, takes the voice and sound switches over, allows the
// voice when it was off, and writes the settings file; Cancel only puts
// the volume back. What belongs to the speech layer and the main window
// comes in through hooks.

#include <functional>
#include <string>

class TForm5;

struct TVoiceAllowing {
    // Whether the own voice engine can list voices.
    std::function<bool()> voiceenumeratorexists;
    // Fills the voice list, selects the engine and saves the voice settings.
    std::function<void()> allowvoice;
    // Shows a message box with the text (UTF-8) and returns when closed.
    std::function<void(const std::string& text)> showmessage;
    // Enables or disables the main window's Voice command.
    std::function<void(bool enabled)> enablevoicecommand;
};

void soundssubmenucommand(TForm5& dialog, const TVoiceAllowing& allowing);
