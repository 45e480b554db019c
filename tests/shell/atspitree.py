#!/usr/bin/python3
"""Reads the program's accessibility tree over AT-SPI, as Orca does.

  atspitree.py wait APPNAME            wait until the application shows a window
  atspitree.py check APPNAME ROLE NAME...
      wait until the application holds an object of each role with each name
      (pairs of ROLE NAME); print the tree and fail when one is missing
  atspitree.py focus APPNAME SECONDS ROLE
      listen SECONDS for the application's objects getting the focus; print
      them and fail unless the last one has that role
"""
import sys
import threading
import time

import pyatspi


def application(name):
    """The newest application of that name: one that just ended may still
    be listed before it."""
    desktop = pyatspi.Registry.getDesktop(0)
    found = None
    for index in range(desktop.childCount):
        try:
            app = desktop.getChildAtIndex(index)
            if app is not None and app.name == name:
                found = app
        except Exception:
            continue
    return found


def walk(node, depth=0, found=None):
    """Every (depth, role, name) at and below node."""
    if found is None:
        found = []
    if node is None or depth > 30:
        return found
    try:
        role = node.getRoleName()
        name = node.name or ""
        count = node.childCount
    except Exception:
        return found
    found.append((depth, role, name))
    for index in range(count):
        try:
            child = node.getChildAtIndex(index)
        except Exception:
            continue
        walk(child, depth + 1, found)
    return found


def lastfocus(appname, seconds, wanted):
    """What a screen reader takes for the focus: the last object of the
    application told as focused."""
    focused = []

    def listen(event):
        try:
            if event.detail1 and event.host_application.name == appname:
                focused.append((event.source.getRoleName(), event.source.name or ""))
        except Exception:
            pass

    pyatspi.Registry.registerEventListener(listen, "object:state-changed:focused")
    threading.Timer(seconds, pyatspi.Registry.stop).start()
    pyatspi.Registry.start()
    for role, name in focused:
        print(f"focused {role}: {name!r}")
    return 0 if focused and focused[-1][0] == wanted else 1


def main():
    command, appname = sys.argv[1], sys.argv[2]
    if command == "focus":
        return lastfocus(appname, float(sys.argv[3]), sys.argv[4])
    wanted = list(zip(sys.argv[3::2], sys.argv[4::2]))
    deadline = time.time() + 30
    tree = []
    while time.time() < deadline:
        app = application(appname)
        if app is not None:
            tree = walk(app)
            names = {(role, name) for _, role, name in tree}
            if command == "wait" and any(role == "frame" for _, role, _ in tree):
                return 0
            if command == "check" and all(pair in names for pair in wanted):
                return 0
        time.sleep(0.3)
    for depth, role, name in tree:
        print("  " * depth + f"{role}: {name!r}")
    missing = [pair for pair in wanted if pair not in {(r, n) for _, r, n in tree}]
    print(f"missing: {missing}" if app is not None else f"no application {appname!r} on the bus")
    return 1


if __name__ == "__main__":
    sys.exit(main())
