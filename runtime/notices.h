#pragma once
// What the user is told when the sound or speech services fail or come
// back: a few notices of our own, in the interface language, and the one
// place they are sent. The shell shows, speaks and brailles them; any
// thread may send one.

#include <functional>
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
// Whether the notice can be heard: news that sound works again, or news of
// the Braille display, which leaves the sound as it is.
bool noticeisheard(TNotice notice);

// Where notices go; empty until the shell sets it. Called on the sending
// thread.
extern std::function<void(TNotice)> noticereceiver;
void tell(TNotice notice);
