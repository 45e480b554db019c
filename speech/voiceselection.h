#pragma once
// The choice and tuning of the own voice: the engine enumerator, the voice
// list with its selected position, the selected engine with its speed, pitch
// and volume ranges and values, the prosody tags that carry a new value to
// the engine, and the voice saved in the settings file. It holds the model
// only; the voice settings dialog presents it and reports the user's moves.

#include "speech/Speech.h"
#include "speech/ttsengine.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

enum class TProsodyKind { speed, pitch, volume };

struct TProsodyValue {
    int minimum = 0;
    int maximum = 10;
    int value = 0;
    int tickspacing = 1; // volume keeps 1: it gets none from the engine
};

struct TVoiceChoice {
    std::vector<std::string> names; // UTF-8, in the enumerator's order
    int selected = -1;

    std::string selectedname() const;
};

class TVoiceSelection {
public:
    // Whether the voice settings dialog is the active window: then moves
    // are announced and cut off what is being said.
    std::function<bool()> dialogactive;
    // The list, the values or their enabling changed: the view refreshes.
    std::function<void()> changed;

    // Takes the enumerator (none when the engine is unavailable), forgets
    // any engine and mode.
    void initspeech(std::unique_ptr<TTTSEnum> enumerator);
    bool enumeratorexists() const { return m_enumerator != nullptr; }
    // The sink registered with every engine selected from now on.
    void createsink();

    // Lists the voices (the list emptied first) and preselects "Jakub", or
    // the first voice.
    void fillvoicelist();
    // Takes the voice at the selected position as the one the next
    // selectengine puts into use.
    void fetchmode();
    // The user moved in the list.
    void selectposition(int position);
    // Puts the current voice into use and probes its ranges.
    void selectengine();
    // Clamps the value into its range; a change reaches the engine.
    void setvalue(TProsodyKind kind, int value);
    // Stops speech and injects the tag for the value.
    void setprosody(TProsodyKind kind, int value);
    // Restores the saved voice and values; a saved voice that no longer
    // exists ends the process after a message.
    void applyvoicesettings();
    void savevoicesettings();

    // The saved voice, or when none is saved yet the default one, saved
    // first. The voice dialog's opening does this too.
    void restorevoice();
    // At the start of a run with the own voice: restorevoice().
    void preparevoiceforrun();
    // At start-up, once the voices are listed: the saved voice, or the
    // default one, ready to speak whichever voice the user chose, since it
    // also speaks when the system voice fails.
    void prepareownvoice();
    // The voice was allowed in the sound settings dialog.
    void allowvoice();

    // Drops the engine and the enumerator (the end of the process).
    void release();

    TTTSCentral* engine() const { return m_engine.get(); }
    const std::string& currentmode() const { return m_currentmode; }
    const TProsodyValue& value(TProsodyKind kind) const;
    bool prosodyenabled() const { return m_prosodyenabled; }

    TVoiceChoice choice;

private:
    TProsodyValue& valueref(TProsodyKind kind);
    bool isdialogactive() const { return dialogactive && dialogactive(); }
    void notifychanged();
    void probe(TProsodyKind kind);

    std::unique_ptr<TTTSEnum> m_enumerator;
    std::unique_ptr<TTTSCentral> m_engine;
    std::shared_ptr<TTTSNotifySink> m_sink;
    std::uint32_t m_sinkkey = 0;
    std::string m_currentmode;
    TProsodyValue m_speed, m_pitch, m_volume;
    bool m_prosodyenabled = false;
};

extern TVoiceSelection voiceselection;

// The prosody tag carrying the value to the engine (volume in slider units).
std::string prosodytag(TProsodyKind kind, int value);
