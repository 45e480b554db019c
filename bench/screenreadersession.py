#!/usr/bin/python3
"""The session the screen reader figures are taken on (screenreader-figures.sh),
played with the steps of the screen reader key test: the menus, each dialog
walked with Tab, the greeting read with the screen reader's own review, three
rounds of the numbers game and the virtual screen opened in the answer wait.
Each key is noted in $STEPS_LOG; prints PASS when no key was lost."""
import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "shell"))
from screenreaderkeys import failure, game, menusletgo, press, run, shownandcleared  # noqa: E402


def dialogs():
    """Each dialog opened, walked with Tab and closed."""
    for keys, tabs in (("ctrl+e", 2), ("ctrl+d", 3), ("ctrl+h", 4)):
        press(keys)
        yield 1.5
        for _ in range(tabs):
            press("Tab")
            yield 1.0
        press("Escape")
        # The screen reader names the window the focus went back to.
        yield 3.0


def flatreview():
    """The screen reader's own review, from the line it is on to the next
    two (Orca's keypad keys), once the greeting has been said."""
    yield 8.0
    for key in ("KP_Up", "KP_Page_Up", "KP_Page_Up"):
        press(key)
        # Orca reads a line of up to 80 characters.
        yield 3.5


def virtualscreen():
    """The virtual screen opened while the game waits for an answer, walked
    and closed."""
    yield shownandcleared("pridávam.", 4)
    yield 1.0
    for key in ("Up", "Down", "Down", "Right", "Right", "ctrl+Right", "F2", "Escape"):
        press(key)
        yield 1.2
    yield 3.0


def session():
    yield 1.0
    yield from menusletgo()
    if failure:
        return
    yield from dialogs()
    yield from game("keys", 3, atgreeting=flatreview)
    if not failure:
        yield from virtualscreen()


if __name__ == "__main__":
    sys.exit(run(session()))
