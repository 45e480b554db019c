#!/usr/bin/python3
"""What reading the main window over AT-SPI costs, as a screen reader's
review reads it: one call, the extents of a line's 80 characters, a walk of
the window's showing objects for the focus, and one step of a flat review
(Orca's: the window's showing objects and their extents, the screen's lines
in view found by halving, each line's text and extents). Each figure is
taken in turns on the programs named (LABEL=PID), round after round, so the
machine's load weighs on them alike; prints each one's median in
milliseconds, and its ratio to the first program's.
With "orca", prints instead how long Orca took for its review keys in the
spans of its log given, from the key to what it said.
With "shown", waits until the program's screen shows TEXT; with "ended",
until Start may be chosen again (the run has ended).
Usage: screenreview.py LABEL=PID... [ROUNDS]
       screenreview.py orca LABEL FIRST-LAST...
       screenreview.py shown PID TEXT | ended PID"""
import os
import re
import statistics
import sys
import time

import pyatspi


def mainwindow(pid):
    for _ in range(100):
        found = [a for a in pyatspi.Registry.getDesktop(0) if a and a.get_process_id() == int(pid)]
        if found and found[0].childCount:
            return found[0].getChildAtIndex(0)
        time.sleep(0.1)
    sys.exit("screenreview.py: no window of process %s on the accessibility bus" % pid)


def showing(node, found):
    """The showing objects below node, each with its role and extents, and
    the focused one among them."""
    states = node.getState()
    if not states.contains(pyatspi.STATE_SHOWING):
        return None
    node.getRole()
    node.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    focus = node if states.contains(pyatspi.STATE_FOCUSED) else None
    found.append(node)
    for child in node:
        if child:
            focus = showing(child, found) or focus
    return focus


def linesinview(text, bottom):
    """The offsets from the text's start to the end of its last line in
    view, found by halving the text on the extents of one character, as
    Orca's flat review does (it halves for the first line too; the screen's
    first line is always in view)."""
    low, high = 0, text.characterCount
    while high - low > 1:
        middle = (low + high) // 2
        if text.getRangeExtents(middle, middle + 1, pyatspi.DESKTOP_COORDS)[1] > bottom:
            high = middle
        else:
            low = middle
    return 0, high


def reviewstep(frame):
    objects = []
    showing(frame, objects)
    bottom = sum(frame.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)[1::2])
    for node in objects:
        if node.getRole() != pyatspi.ROLE_TEXT:
            continue
        text = node.queryText()
        first, last = linesinview(text, bottom)
        offset = first
        while offset < last:
            _, start, end = text.getTextAtOffset(offset, pyatspi.TEXT_BOUNDARY_LINE_START)
            text.getRangeExtents(start, end, pyatspi.DESKTOP_COORDS)
            offset = max(end, offset + 1)


def screentext(frame):
    for node in frame:
        if node and node.getRole() == pyatspi.ROLE_TEXT:
            return node.queryText()
    sys.exit("screenreview.py: the main window shows no text")


def timed(function):
    start = time.perf_counter()
    function()
    return (time.perf_counter() - start) * 1000


def figures(programs, rounds):
    measures = []
    for label, pid in programs:
        frame = mainwindow(pid)
        text = screentext(frame)

        def extents(text=text):
            for offset in range(80):
                text.getCharacterExtents(offset, pyatspi.DESKTOP_COORDS)

        measures.append((label, (
            ("one AT-SPI call", lambda frame=frame: frame.name, 20),
            ("the extents of 80 characters", extents, 1),
            ("the window walked for the focus", lambda frame=frame: showing(frame, []), 1),
            ("one flat review step", lambda frame=frame: reviewstep(frame), 1),
        )))
    for index, (what, _, _) in enumerate(measures[0][1]):
        times = {label: [] for label, _ in measures}
        for _ in range(rounds):
            for label, measure in measures:
                _, function, repeats = measure[index]
                times[label] += [timed(function) for _ in range(repeats)]
        first = statistics.median(times[measures[0][0]])
        for label, _ in measures:
            print("%s, %s: %.2f ms (x%.1f)" % (what, label, statistics.median(times[label]),
                                              statistics.median(times[label]) / first))


def clock(stamp):
    hours, minutes, seconds = stamp.split(":")
    return (int(hours) * 60 + int(minutes)) * 60 + float(seconds)


def orcasteps(label, spans):
    """Each review key's press as Orca handled it, to its next utterance,
    in the spans of its log (FIRST-LAST line numbers) that each began with
    the focus coming to the window: the first step of each span enters the
    review, the ones after it move in it."""
    keys = ("KP_Up", "KP_Home", "KP_Page_Up")
    stamped = re.compile(r"^(\d\d:\d\d:\d\d\.\d+) - (TOTAL PROCESSING TIME|SPEECH OUTPUT)")
    with open(os.environ["ORCA_LOG"], errors="replace") as log:
        lines = log.readlines()
    entering, moving = [], []
    for span in spans:
        first, last = (int(number) for number in span.split("-"))
        steps, key, pressed = [], None, None
        for line in lines[first - 1:last]:
            if "PROCESS ATSPI_KEY_PRESSED_EVENT" in line and line.startswith("vvvvv"):
                key = next((k for k in keys if "'%s'" % k in line), None)
                pressed = None
                continue
            found = stamped.match(line)
            if not (found and key):
                continue
            if pressed is None:
                pressed = clock(found.group(1))
            elif found.group(2) == "SPEECH OUTPUT":
                steps.append((clock(found.group(1)) - pressed) * 1000)
                key = None
        if not steps:
            sys.exit("screenreview.py: Orca's log holds no review step in lines %s" % span)
        entering.append(steps[0])
        moving += steps[1:]
    print("Orca entering its flat review, %s: median %.0f ms (%s)"
          % (label, statistics.median(entering), " ".join("%.0f" % s for s in entering)))
    print("Orca's flat review steps after it, %s: median %.0f ms, longest %.0f ms"
          % (label, statistics.median(moving), max(moving)))


def waitfor(condition, what):
    for _ in range(600):
        if condition():
            return
        time.sleep(0.1)
    sys.exit("screenreview.py: %s never came" % what)


def startenabled(node):
    if node.getRole() == pyatspi.ROLE_MENU_ITEM and node.name == "Spustit":
        return node.getState().contains(pyatspi.STATE_ENABLED)
    return any(startenabled(child) for child in node if child)


def main():
    command = sys.argv[1]
    if command == "shown":
        frame = mainwindow(sys.argv[2])
        waitfor(lambda: sys.argv[3] in screentext(frame).getText(0, -1), sys.argv[3])
    elif command == "ended":
        frame = mainwindow(sys.argv[2])
        waitfor(lambda: startenabled(frame), "the end of the run")
    elif command == "orca":
        orcasteps(sys.argv[2], sys.argv[3:])
    else:
        programs = [argument.split("=") for argument in sys.argv[1:] if "=" in argument]
        rounds = [int(argument) for argument in sys.argv[1:] if "=" not in argument]
        figures(programs, rounds[0] if rounds else 15)


if __name__ == "__main__":
    main()
