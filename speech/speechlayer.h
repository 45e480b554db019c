#pragma once
// The four speech operations over the two engines: the own voice selected
// by voiceselection, or the system voice when the user chose it. Decides by
// usesapi5, voiceallowed and voiceready which engine speaks, waits for the
// end of speech while the window keeps handling events, and echoes
// characters by their names. Installed as the runtime's speech service.

#include "runtime/speaker.h"
#include "speech/systemvoice.h"

#include <string>

class TSpeechLayer final : public TSpeaker {
public:
    // The system voice (none: that path is silent). Its events keep
    // ttsvar.streamrunning.
    void setsystemvoice(TSystemVoice* voice);
    TSystemVoice* systemvoice() const { return m_voice5; }

    void speak(const std::string& text) override;
    void speakwait(const std::string& text) override;
    void speakchar(const std::string& text) override;
    void stopspeech() override;
    // What the user is told of the program's state (runtime/notices.h): in
    // the own voice even while the system voice is chosen, since the notice
    // may be that the system voice fails. Does not wait.
    void speaknotice(const std::string& text);

private:
    void voice5StartStream();
    void voice5EndStream();
    void waitforownengine();

    TSystemVoice* m_voice5 = nullptr;
};

extern TSpeechLayer speechlayer;

// The Use SAPI5 menu item changed to the state: switches the engine path,
// saves the choice and sounds the rising or falling tone pair.
void switchsapi5(bool checked);
