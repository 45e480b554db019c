#pragma once
// What the user is told when something goes wrong: a few notices of our
// own about the sound, speech and Braille services failing or coming back,
// in the interface language, and the messages of errors; and the one place
// both are sent. The shell shows, speaks and brailles them. Any thread may
// tell, from the first line of main(): what is told before the shell
// listens waits for it, so nothing told at start-up is lost.

#include <functional>
#include <optional>
#include <string>

enum class TNotice {
    soundmissing, // no sound server at the start
    soundlost,
    soundback,
    devicetaken, // another program took the sound card
    devicefree,
    systemvoicefailed,
    systemvoiceback,
    ownvoicemissing,
    braillelost, // the Braille display's server (BRLTTY) ended
    brailleback,
    soundnotanswering, // the sound server is there but answers nothing (stopped, hung)
};

// The notice in the interface language, UTF-8.
std::string noticetext(TNotice notice);
// Whether the notice can be heard: not the news that sound is gone, which
// the news of its return tells by voice.
bool noticeisheard(TNotice notice);

// One thing told: a notice, or a message that is already the user's text
// (UTF-8).
struct TTelling {
    std::optional<TNotice> notice;
    std::string message;
    bool said = false; // the teller has spoken it already

    bool operator==(const TTelling&) const = default;
};

// Where tellings go from now on; what was told while there was none is
// handed over first, in order. The receiver is called on the telling
// thread with a lock held: it must only post. An empty one ends the
// listening and forgets what waited; tellings wait again for the next.
void setnoticereceiver(std::function<void(const TTelling&)> receiver);
void tell(TNotice notice);
void tell(const std::string& message, bool said = false);
