#!/usr/bin/python3
"""Plays the game beside a screen reader's listener, as the keys arrive then.

  screenreaderkeys.py keys|chords

Registers AT-SPI event listeners as Orca does (text insertions, focus), so
Qt's accessibility bridge holds every key back and sends it on later, and
reads the screen from the text the program inserts. Then, with the program
already started on the display: Alt+P, Escape, Escape must give the focus
back to the screen; Ctrl+S, Space at the question on the answer keys and
Space at the one on the rules must reach "zvol hru!"; the numbers game's
rounds, typed back, must be right. Round two starts with round one's
number, so the same key (or chord) comes twice in a row. With "chords" the
answers are Braille chords on F D S J K L: the number sign, then a letter
for each digit. Each key is noted in $STEPS_LOG when that is set. The keys
are typed with xdotool, or, when $WAYLAND_KEYS names the pipe a running
Wayland test keyboard reads (tests/support/waylandkeyboard.cpp), with that.
The screen reader bench walks a longer session with the same steps (run()).
"""
import datetime
import os
import re
import subprocess
import sys
import time

import pyatspi
from gi.repository import GLib

DOTKEYS = {"1": "f", "2": "d", "3": "s", "4": "j", "5": "k", "6": "l"}
DIGITDOTS = {"1": "1", "2": "12", "3": "14", "4": "145", "5": "15", "6": "124", "7": "1245", "8": "125",
             "9": "24", "0": "245"}
NUMBERSIGN = "3456"

inserted = []        # the program's text insertions, in order
focused = []         # the roles and names that took the focus, in order
failure = []


def on_insert(event):
    try:
        if event.host_application.name == "vorkana":
            inserted.append(str(event.any_data))
    except Exception:
        pass


def on_focus(event):
    if event.detail1:
        try:
            focused.append((event.source.getRoleName(), event.source.name))
        except Exception:
            pass


def xdotool(*arguments):
    subprocess.run(["xdotool", *arguments], check=False)


waylandkeys = None
WAYLANDMODIFIERS = {"ctrl": "Control_L", "alt": "Alt_L", "shift": "Shift_L"}


def wayland(*commands):
    """Commands to the Wayland test keyboard, which it carries out in order.
    It runs from before the program starts: a keyboard that appears later
    reaches the window with its first key already down, and that key is lost."""
    global waylandkeys
    if waylandkeys is None:
        waylandkeys = open(os.environ["WAYLAND_KEYS"], "w")
    waylandkeys.write("".join(command + "\n" for command in commands))
    waylandkeys.flush()


def typekey(key):
    """One key as xdotool names it ("ctrl+s", "Down"), modifiers held around it."""
    if not os.environ.get("WAYLAND_KEYS"):
        xdotool("key", key)
        return
    *modifiers, last = key.split("+")
    held = [WAYLANDMODIFIERS[modifier] for modifier in modifiers]
    wayland(*["d " + name for name in held], "k " + last, *["u " + name for name in reversed(held)])


def holdandrelease(keys):
    """Holds the keys, lets the first go, then the rest."""
    if not os.environ.get("WAYLAND_KEYS"):
        arguments = []
        for key in keys:
            arguments += ["keydown", key]
        arguments += ["sleep", "0.08", "keyup", keys[0], "sleep", "0.3"]
        for key in keys[1:]:
            arguments += ["keyup", key]
        xdotool(*arguments)
        return
    wayland(*["d " + key for key in keys], "s 80", "u " + keys[0], "s 300", *["u " + key for key in keys[1:]])


def note(step):
    if os.environ.get("STEPS_LOG"):
        with open(os.environ["STEPS_LOG"], "a") as log:
            log.write("%s %s\n" % (datetime.datetime.now().strftime("%H:%M:%S.%f"), step))


def press(*keys):
    for key in keys:
        note("key " + key)
        typekey(key)
        time.sleep(0.15)


def chord(dots):
    """Holds the chord's keys, lets the first go, then the rest: the chord is
    decided at the first release."""
    keys = [DOTKEYS[dot] for dot in dots] if dots != " " else ["space"]
    note("chord " + "+".join(keys))
    holdandrelease(keys)
    time.sleep(0.15)


def screen_since(mark):
    return "\n".join(inserted[mark:])


def shownandcleared(shown, count, seconds=40):
    """A step that waits until count numbers were shown after the text and
    the screen's top line was cleared after them."""
    deadline = time.time() + seconds

    def reached():
        if len(numbers_after(shown)) >= count and not inserted[-1].strip():
            return True
        if time.time() > deadline:
            failure.append("never saw %d numbers after %r" % (count, shown))
            raise StopIteration
        return False
    return reached


def until(text, mark, seconds=40):
    """A step that waits until the program has written text since mark."""
    deadline = time.time() + seconds

    def reached():
        if text in screen_since(mark):
            return True
        if time.time() > deadline:
            failure.append("never saw %r; the program wrote: %r" % (text, screen_since(mark)[-600:]))
            raise StopIteration
        return False
    return reached


def numbers_after(start, end=None):
    """The numbers the game showed after the last of one of its texts, up to
    another. A line is written again each time it grows; only its last form
    counts."""
    begin = max(index for index, chunk in enumerate(inserted) if start in chunk)
    lines = []
    for chunk in inserted[begin + 1:]:
        if end and end in chunk:
            break
        line = chunk.rstrip()
        if lines and line.startswith(lines[-1]):
            lines[-1] = line
        else:
            lines.append(line)
    return re.findall(r"\d", " ".join(lines))


def menusletgo():
    """The menu bar lets go at Escape, as in any program."""
    press("alt+p")
    yield 0.8
    for _ in range(2):
        press("Down")
        yield 0.8
    press("Escape")
    yield 0.5
    press("Escape")
    yield 1.0
    if not focused or focused[-1][0] != "text":
        failure.append("after Escape, Escape the focus is on %r, not the screen" % (focused[-1:],))


def game(mode, rounds, atgreeting=None):
    """Ctrl+S, the two questions, the numbers game typed back; atgreeting
    runs its steps while the game waits for its first key."""
    answer = (lambda: press("space")) if mode == "keys" else (lambda: chord(" "))
    mark = len(inserted)
    press("ctrl+s")
    yield until("okrem medzerníka", mark)
    if atgreeting:
        yield from atgreeting()
    for asked in ("pravidlá?", "zvol hru!"):
        mark = len(inserted)
        answer()
        yield until(asked, mark)
    mark = len(inserted)
    if mode == "keys":
        press("c")
    else:
        chord("14")
    shown = "začínam."
    for round in range(rounds):
        # From the third round on nothing asks for the answer: the screen is
        # cleared once the numbers were shown.
        asked = ("napíš číslo", "napíš postupňe čísla")[round] if round < 2 else None
        if asked:
            yield until(asked, mark)
        else:
            yield until(shown, mark)
            yield shownandcleared(shown, round + 1)
        digits = numbers_after(shown, asked)
        if len(digits) != round + 1:
            failure.append("round %d showed %r" % (round + 1, digits))
            return
        print("round %d: %s" % (round + 1, "".join(digits)), flush=True)
        mark = len(inserted)
        if mode == "chords" and round == 0:
            chord(NUMBERSIGN)
        for digit in digits:
            if mode == "keys":
                press(digit)
            else:
                chord(DIGITDOTS[digit])
            yield 0.6
        yield until("správňe.", mark)
        if "ňesprávňe" in screen_since(mark):
            failure.append("round %d was scored wrong: a key was lost" % (round + 1))
            return
        shown = "pridávam."


def scenario(mode):
    yield 1.0
    yield from menusletgo()
    if not failure:
        yield from game(mode, 2)


def run(steps):
    """Listens as a screen reader does and plays the steps: a number waits
    that many seconds, a function until it is true. Prints PASS, or FAIL
    with what went wrong; returns the exit status."""
    pyatspi.Registry.registerEventListener(on_insert, "object:text-changed:insert")
    pyatspi.Registry.registerEventListener(on_focus, "object:state-changed:focused")
    waiting = [None]

    def advance():
        try:
            while True:
                if callable(waiting[0]):
                    if not waiting[0]():
                        return True
                    waiting[0] = None
                step = next(steps)
                if isinstance(step, (int, float)):
                    GLib.timeout_add(int(step * 1000), advance)
                    return False
                waiting[0] = step
        except StopIteration:
            pyatspi.Registry.stop()
            return False

    GLib.timeout_add(100, advance)
    pyatspi.Registry.start()
    if failure:
        print("FAIL: " + "; ".join(failure))
        return 1
    print("PASS")
    return 0


if __name__ == "__main__":
    sys.exit(run(scenario(sys.argv[1])))
