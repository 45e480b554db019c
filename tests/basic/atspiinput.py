#!/usr/bin/python3
"""Reads a running BASIC program over AT-SPI, as a screen reader does.

  atspiinput.py screen TEXT...     wait until the program's screen holds each
                                   text; print the screen and fail otherwise
  atspiinput.py boundaries NAME    ask the text object NAME for the text at,
                                   before and after every offset, in every
                                   boundary type; fail at the first question
                                   not answered, on an answer slower than a
                                   second or on a wrong text
  atspiinput.py chords TEXT        type the letters and digits of TEXT as
                                   Braille chords (a digit after the number
                                   sign), then Return
"""
import os
import subprocess
import sys
import time

import pyatspi

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "shell"))
from atspitree import application  # noqa: E402
import screenreaderkeys  # noqa: E402

LETTERDOTS = dict(zip("abcdefghij", ["1", "12", "14", "145", "15", "124", "1245", "125", "24", "245"]))
BOUNDARIES = {
    "char": pyatspi.TEXT_BOUNDARY_CHAR,
    "word start": pyatspi.TEXT_BOUNDARY_WORD_START,
    "word end": pyatspi.TEXT_BOUNDARY_WORD_END,
    "sentence start": pyatspi.TEXT_BOUNDARY_SENTENCE_START,
    "sentence end": pyatspi.TEXT_BOUNDARY_SENTENCE_END,
    "line start": pyatspi.TEXT_BOUNDARY_LINE_START,
    "line end": pyatspi.TEXT_BOUNDARY_LINE_END,
}


def find(node, role, name, depth=0):
    """The first object of the role and name at or below node."""
    if node is None or depth > 30:
        return None
    try:
        if node.getRoleName() == role and node.name == name:
            return node
        children = [node.getChildAtIndex(index) for index in range(node.childCount)]
    except Exception:
        return None
    for child in children:
        found = find(child, role, name, depth + 1)
        if found is not None:
            return found
    return None


def textof(role, name, seconds=30):
    deadline = time.time() + seconds
    while time.time() < deadline:
        found = find(application("vorkana"), role, name)
        if found is not None:
            return found.queryText()
        time.sleep(0.3)
    return None


def screen(wanted):
    deadline = time.time() + 60
    shown = ""
    while time.time() < deadline:
        text = textof("text", "Obrazovka", 5)
        if text is not None:
            shown = text.getText(0, -1)
            if all(piece in shown for piece in wanted):
                return 0
        time.sleep(0.3)
    print(shown)
    print(f"missing: {[piece for piece in wanted if piece not in shown]}")
    return 1


def boundaries(name):
    text = textof("text", name)
    if text is None:
        print(f"no text object {name!r}")
        return 1
    content = text.getText(0, -1)
    failures = 0
    asked = 0
    for kind, boundary in BOUNDARIES.items():
        for offset in range(-1, len(content) + 2):
            for question in ("getTextAtOffset", "getTextBeforeOffset", "getTextAfterOffset"):
                began = time.time()
                try:
                    answer, start, end = getattr(text, question)(offset, boundary)
                except Exception as error:
                    # A program that does not answer is held for good.
                    print(f"{question}({offset}, {kind}) failed: {error}")
                    return 1
                asked += 1
                if time.time() - began > 1:
                    print(f"{question}({offset}, {kind}) took {time.time() - began:.1f} s")
                    failures += 1
                if kind == "char" and question == "getTextAtOffset" and 0 <= offset < len(content) \
                        and answer != content[offset]:
                    print(f"the character at {offset} is {answer!r}, not {content[offset]!r}")
                    failures += 1
                if 0 <= start <= end <= len(content) and answer != content[start:end]:
                    print(f"{question}({offset}, {kind}) gave {answer!r} for {start}..{end}")
                    failures += 1
    print(f"{asked} answers about {content!r}")
    return 1 if failures else 0


def chords(typed):
    for character in typed:
        if character.isdigit():
            screenreaderkeys.chord(screenreaderkeys.NUMBERSIGN)
            screenreaderkeys.chord(screenreaderkeys.DIGITDOTS[character])
        else:
            screenreaderkeys.chord(LETTERDOTS[character])
    subprocess.run(["xdotool", "key", "Return"], check=False)
    return 0


if __name__ == "__main__":
    command = sys.argv[1]
    if command == "screen":
        sys.exit(screen(sys.argv[2:]))
    if command == "boundaries":
        sys.exit(boundaries(sys.argv[2]))
    sys.exit(chords(sys.argv[2]))
