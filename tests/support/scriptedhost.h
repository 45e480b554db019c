#pragma once
// A host for tests: a virtual clock that tones, clicks, pauses and speech
// advance by their length, the time of day and the random draws under the
// test's control, keys arriving at chosen moments, and a transcript of
// everything printed, spoken and sounded. Installed as all three runtime
// services while it lives.

#include "runtime/host.h"
#include "runtime/lineinput.h"
#include "runtime/soundplayer.h"
#include "runtime/speaker.h"

#include <deque>
#include <functional>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

// The program went on past what the script allows; the message ends with
// the transcript's last entries.
class TScriptOverrun : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Runs of equal entries folded into one line, "<entry> ×<count>".
std::vector<std::string> foldruns(const std::vector<std::string>& entries);

class TScriptedHost final : public TRuntimeHost, public TSpeaker, public TSoundPlayer, public TLineInput {
public:
    TScriptedHost();
    ~TScriptedHost() override;

    // Transcript entries, in UTF-8:
    //   "say <text>"   speakwait      "speak <text>"  speak
    //   "char <text>"  speakchar      "stop speech"   stopspeech
    //   "pause <ms>"   sleepms        "key <key>"     a key reaching the program
//                                 ("key space" for the space bar)
    //   "tone <value> <ms>ms timbre <t>"  a looped tone wave (value = rate / 64),
    //       with " voice <v>" beyond the first voice and " cut" when a key
    //       stopped it; "tone <wave> <rate>" for other waves; no length
    //       when another host keeps the time
    //   "end <wave>"   stopall of a wave that was not sounding
    //   "play <wave>"  one-shot with wait
    //   "reseed"       the random generator reseeded
    //   "screen cleared"  the screen went blank
    //   "typed <line>" a line given to INPUT
    // A sound at a volume other than the user's (switches.soundvolume) ends
    // with " volume <v>".
    std::vector<std::string> transcript;
    long long now = 0; // virtual milliseconds since the start
    TTimeOfDay clockstart { 12, 0, 0 };
    std::deque<double> draws; // random draws to hand out; 0.5 when empty
    int reseeds = 0;
    int windowturns = 0;
    // Called at each window turn, after it is counted.
    std::function<void()> onwindowturn;
    std::map<std::string, int> wavelengthms; // one-shot lengths; 50 ms by default
    int speechmspercharacter = 10;
    long long limitms = 3LL * 3600 * 1000; // a run past this is a hang
    // Polls of the keyboard that find no key due before the run counts as stuck.
    int idlepolllimit = 1000;
    bool recordsounds = true; // false: only speech and keys go to the transcript
    // Called with each key (Windows-1250) as it reaches the program.
    std::function<void(const std::string&)> onkeydelivered;

    // The key is pressed when the program next polls the keyboard after the
    // text has been said (counted from the previous scripted key).
    void after(const std::string& saidutf8, const std::string& keyutf8);
    // The key is pressed at the moment on the virtual clock, also inside a
    // tone or speech wait (so it cuts them).
    void at(long long milliseconds, const std::string& keyutf8);
    // The key is pressed at the next poll.
    void press(const std::string& keyutf8);
    bool allkeysdelivered() const { return m_keys.empty(); }
    // The lines INPUT is given, in turn (UTF-8); one more asked for is an overrun.
    std::deque<std::string> typedlines;

    // Texts said (speakwait and speak), in order, UTF-8.
    std::vector<std::string> said() const;
    // The transcript without the stops every key-down makes: what was heard.
    std::vector<std::string> heard() const;
    // Transcript entries that start with the prefix.
    std::vector<std::string> entries(const std::string& prefix) const;

    // TRuntimeHost
    void pumpevents() override;
    void waitforevent() override;
    // Counted, and nothing else: the moments depend on the real clock, and
    // a key taken then would not be where the script put it.
    void givewindowturn() override;
    void sleepms(int milliseconds) override;
    void starttonetimer(int milliseconds) override;
    void stoptonetimer() override;
    TTimeOfDay timeofday() override;
    double randomdraw() override;
    void reseedrandom() override;
    void screenchanged() override;

    // TSpeaker
    void speak(const std::string& text) override;
    void speakwait(const std::string& text) override;
    void speakchar(const std::string& text) override;
    void stopspeech() override;

    // TLineInput
    std::string inputline() override;

    // TSoundPlayer
    void startlooped(const std::string& name, int rate, int volume) override;
    void stopall(const std::string& name) override;
    void cutall(const std::string& name) override;
    void playwait(const std::string& name, int volume) override;

private:
    struct TScriptedKey {
        std::string key; // Windows-1250
        std::string afterutf8; // empty: timed or immediate
        long long attime = -1;
    };
    struct TSoundingTone {
        size_t entry; // index of its transcript entry
        long long started;
        std::string head; // "tone <value>"
        std::string tail; // " timbre <t>", the voice
        std::string volume; // " volume <v>" or empty
    };

    void advance(long long milliseconds);
    bool due(const TScriptedKey& key, bool polling) const;
    bool deliverdue(bool polling);
    void record(std::string entry);
    void endtone(const std::string& name, bool cut);
    [[noreturn]] void overrun(const std::string& what) const;

    std::deque<TScriptedKey> m_keys;
    size_t m_searchfrom = 0; // transcript index after the last delivered key
    long long m_timerdeadline = -1;
    int m_idlepolls = 0;
    int m_drawsonthisclock = 0;
    bool m_screenblank = true;
    std::map<std::string, TSoundingTone> m_sounding;
};
