#pragma once
// The virtual terminal the desktop runs on, as BRLTTY numbers its ttys: a
// BrlAPI client on the desktop takes the display for a path that begins
// there, and BRLTTY's focus tracking (xbrlapi) reports the focused window
// under it. BrlAPI itself puts WINDOWPATH or XDG_VTNR first; where neither
// is set (a desktop started by hand, some display managers), the X server's
// root window names its terminal, as xbrlapi reads it.

#include <vector>

// The terminal to put before a window's id; empty where BrlAPI finds it in
// the environment itself or the desktop does not say.
std::vector<int> desktopterminal();
