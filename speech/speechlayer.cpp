#include "speech/speechlayer.h"

#include "runtime/cells.h"
#include "runtime/codepage.h"
#include "runtime/services.h"
#include "runtime/tones.h"
#include "runtime/settings.h"
#include "speech/TTSVar.h"
#include "speech/echotable.h"
#include "speech/voiceselection.h"

TSpeechLayer speechlayer;

void TSpeechLayer::setsystemvoice(TSystemVoice* voice)
{
    m_voice5 = voice;
    if (!voice)
        return;
    voice->onstartstream = [this] { voice5StartStream(); };
    voice->onendstream = [this] { voice5EndStream(); };
}

void TSpeechLayer::voice5StartStream()
{
    ttsvar.streamrunning = true;
}

void TSpeechLayer::voice5EndStream()
{
    ttsvar.streamrunning = false;
}

void TSpeechLayer::speak(const std::string& text)
{
    if (switches.usesapi5) {
        if (m_voice5)
            m_voice5->speak(cp1250::toutf8(text), false);
        return;
    }
    TTTSCentral* engine = voiceselection.engine();
    if (switches.voiceallowed && !text.empty() && engine)
        engine->textdata(text);
}

void TSpeechLayer::speakwait(const std::string& text)
{
    if (switches.usesapi5) {
        if (text.empty() || !m_voice5)
            return;
        ttsvar.streamrunning = true;
        m_voice5->speak(cp1250::toutf8(text), false);
        while (ttsvar.streamrunning)
            host().waitforevent();
        return;
    }
    TTTSCentral* engine = voiceselection.engine();
    if (switches.voiceallowed && !text.empty() && engine) {
        engine->textdata(text);
        waitforownengine();
    }
}

// AudioStart is posted when the text is accepted, so the first pass sees it;
// a text whose start has not come by then is not waited for.
void TSpeechLayer::waitforownengine()
{
    host().pumpevents();
    while (ttsvar.ttsplaying)
        host().waitforevent();
}

void TSpeechLayer::speakchar(const std::string& text)
{
    if (!switches.voiceready)
        return;
    if (text.empty() || text == std::string(1, '\0'))
        return;
    if (text.size() == 1 && iscapital(text[0]))
        sound({ 2000 }, 20, 1);
    // A character the name file lacks is said as itself rather than not at all.
    std::string name = echotext(text[0]).value_or(text.substr(0, 1));
    if (name.empty())
        return;
    if (switches.usesapi5) {
        if (m_voice5)
            m_voice5->speak(cp1250::toutf8(name), true);
        return;
    }
    if (TTTSCentral* engine = voiceselection.engine()) {
        engine->textdata(name);
        waitforownengine();
    }
}

void TSpeechLayer::stopspeech()
{
    if (switches.usesapi5) {
        if (m_voice5)
            m_voice5->purge();
        return;
    }
    TTTSCentral* engine = voiceselection.engine();
    if (switches.voiceready && ttsvar.ttsplaying && engine)
        engine->audioreset();
}

void TSpeechLayer::speaknotice(const std::string& text)
{
    TTTSCentral* engine = voiceselection.engine();
    if (switches.voiceallowed && !text.empty() && engine)
        engine->textdata(text);
}

void switchsapi5(bool checked)
{
    switches.usesapi5 = checked;
    switches.voiceready = checked;
    TSettingsFile(settingsfilename).writeboolean(settings::sapi5, checked);
    constexpr double lower = 400, higher = 600, toneduration = 50, timbre = 3;
    sound({ checked ? lower : higher }, toneduration, timbre);
    sound({ checked ? higher : lower }, toneduration, timbre);
}
