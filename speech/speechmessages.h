#pragma once
// How the speech subsystem tells the user something outside of speech: the
// message box (one replaceable function, so tests never wait on a box), the
// one-time report of an engine that cannot speak and of its return, and the
// immediate end of the process.

#include <functional>
#include <string>

// Shows the UTF-8 message and returns when the user closed it.
extern std::function<void(const std::string&)> showvoicemessagebox;
// Tells the user once that an engine cannot speak (UTF-8).
extern std::function<void(const std::string&)> reportspeechproblem;
// Tells the user that the system voice, reported as failing, speaks again.
extern std::function<void()> reportspeechback;
// Ends the process at once, saving nothing.
extern std::function<void()> endprocessnow;
