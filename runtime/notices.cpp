#include "runtime/notices.h"

#include "runtime/ResourceLocalizer.h"

#include <array>
#include <deque>
#include <mutex>
#include <string_view>

namespace {

std::mutex receiverlock;
std::function<void(const TTelling&)> receiver;
// Told before anybody listened. A few are kept: the first ones say what
// went wrong, later ones mostly repeat it.
std::deque<TTelling> waiting;
constexpr std::size_t mostwaiting = 16;

void deliver(TTelling telling)
{
    std::lock_guard held(receiverlock);
    if (receiver)
        receiver(telling);
    else if (waiting.size() < mostwaiting)
        waiting.push_back(std::move(telling));
}

// Czech, English, Slovak, by notice.
constexpr std::array<std::array<std::string_view, 3>, 11> notices = { {
    { "Zvukový server není k dispozici; tóny a řeč jsou zatím tiché.",
        "The sound server is not there; tones and speech are silent for now.",
        "Zvukový server nie je k dispozícii; tóny a reč sú zatiaľ tiché." },
    { "Zvukový server přestal pracovat; tóny a řeč jsou tiché, dokud se nevrátí.",
        "The sound server went away; tones and speech are silent until it is back.",
        "Zvukový server prestal pracovať; tóny a reč sú tiché, kým sa nevráti." },
    { "Zvukový server je zpět.", "The sound server is back.", "Zvukový server je späť." },
    { "Zvukovou kartu si vzal jiný program; tóny a řeč jsou tiché, dokud ji neuvolní.",
        "Another program took the sound card; tones and speech are silent until it lets go.",
        "Zvukovú kartu si vzal iný program; tóny a reč sú tiché, kým ju neuvoľní." },
    { "Zvuková karta je opět volná.", "The sound card is free again.", "Zvuková karta je opäť voľná." },
    { "Systémový hlas (speech-dispatcher) nemluví.", "The system voice (speech-dispatcher) does not speak.",
        "Systémový hlas (speech-dispatcher) nehovorí." },
    { "Systémový hlas (speech-dispatcher) opět mluví.", "The system voice (speech-dispatcher) speaks again.",
        "Systémový hlas (speech-dispatcher) opäť hovorí." },
    { "Vlastní hlas (espeak-ng) není k dispozici; chybí jeho data.",
        "The own voice (espeak-ng) is not available: its data is missing.",
        "Vlastný hlas (espeak-ng) nie je k dispozícii; chýbajú jeho dáta." },
    { "Braillský řádek (BRLTTY) přestal odpovídat; program ho hledá znovu.",
        "The Braille display (BRLTTY) went away; the program looks for it again.",
        "Braillovský riadok (BRLTTY) prestal odpovedať; program ho hľadá znova." },
    { "Braillský řádek je zpět.", "The Braille display is back.", "Braillovský riadok je späť." },
    { "Zvukový server neodpovídá; tóny a řeč jsou tiché, dokud neodpoví.",
        "The sound server does not answer; tones and speech are silent until it does.",
        "Zvukový server neodpovedá; tóny a reč sú tiché, kým neodpovie." },
} };

}

std::string noticetext(TNotice notice)
{
    return std::string(notices[static_cast<std::size_t>(notice)][languagecolumn()]);
}

bool noticeisheard(TNotice notice)
{
    return notice != TNotice::soundmissing && notice != TNotice::soundlost && notice != TNotice::devicetaken
        && notice != TNotice::soundnotanswering;
}

void setnoticereceiver(std::function<void(const TTelling&)> newreceiver)
{
    std::lock_guard held(receiverlock);
    receiver = std::move(newreceiver);
    if (!receiver) {
        waiting.clear();
        return;
    }
    for (const TTelling& telling : waiting)
        receiver(telling);
    waiting.clear();
}

void tell(TNotice notice)
{
    deliver({ notice, {}, false });
}

void tell(const std::string& message, bool said)
{
    deliver({ std::nullopt, message, said });
}
