#!/usr/bin/env bash
# The program beside the Orca screen reader, as most of its users run it: a
# headless desktop with Orca (the screen reader harness's start.sh), the
# program's sound and Orca's voice recorded on two sinks, and a session of
# the menus, each dialog, three rounds of the numbers game and the virtual
# screen. Prints the keys lost, the seconds Orca spoke over the program
# (leaving out its naming of the keys pressed, a setting of the user's),
# whether Orca still named the menu items and dialog controls, and what its
# flat review read line by line.
# Usage: bench/screenreader-figures.sh HARNESS [build folder]
#   HARNESS: the folder holding start.sh, stop.sh, overlap.py
set -u
harness="$(cd "$1" && pwd)"
build="$(cd "${2:-build}" && pwd)"
here="$(cd "$(dirname "$0")/.." && pwd)"

"$harness/start.sh" --dir "${SR_DIR:-/tmp/vorkana-screenreader}" >/dev/null || exit 1
. "${SR_DIR:-/tmp/vorkana-screenreader}/env.sh"
work=$(mktemp -d)
cp "$build/app/vorkana" "$build/app/sounds.dat" "$build/app/czech.ebt" "$build/app/czech.eky" "$work/"
: >"$STEPS_LOG"
since=$(date +%H:%M:%S)
(cd "$work" && exec ./vorkana) 2>"$work/stderr.log" &
program=$!
recorder=
cleanup() {
  [ -n "$recorder" ] && kill "$recorder" 2>/dev/null
  kill -9 "$program" 2>/dev/null
  wait 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
window=$(xdotool search --sync --onlyvisible --name ' - (Vorkana|Překladač)' | head -n 1)
xdotool windowfocus --sync "$window"
sleep 2
"$harness/overlap.py" record >/dev/null 2>&1 &
recorder=$!
sleep 3

/usr/bin/python3 "$here/tests/shell/screenreaderkeys.py" session >"$work/session.log" 2>&1
session=$?
# The game now waits for the fourth round's answer, in its click loop.
/usr/bin/python3 - <<'PYTHON'
import statistics, time
import pyatspi
app = [a for a in pyatspi.Registry.getDesktop(0) if a and a.name == "vorkana"][-1]
times = []
for _ in range(20):
    start = time.time()
    frame = app.getChildAtIndex(0)
    frame.name, frame.childCount
    times.append((time.time() - start) * 1000)
print("three AT-SPI calls in the game's answer wait: median %.1f ms, longest %.1f ms"
      % (statistics.median(times), max(times)))
PYTHON
# Orca's flat review: the line the review is on, then the next two.
for key in KP_Home KP_Up KP_Page_Up KP_Page_Up; do
  xdotool key "$key"
  sleep 1.5
done
sleep 2
kill "$recorder"
wait "$recorder" 2>/dev/null
recorder=

"$harness/overlap.py" report --json "$work/overlap.json" >"$work/overlap.txt"
/usr/bin/python3 - "$work/overlap.json" <<'PYTHON'
import json, re, sys
figures = json.load(open(sys.argv[1]))
keyname = re.compile(r"^(left |right )?(control|alt|shift|space|escape|tab|up|down|left|right|return|enter|"
                     r"page up|page down|home|end|f\d+|[a-z0-9])\s*$", re.I)
echo = [o for o in figures["overlaps"] if o["orca_said"] and all(keyname.match(s) for s in o["orca_said"])]
over = [o for o in figures["overlaps"] if o not in echo]
print("Orca over the program: %.2f s in %d places (its naming of pressed keys: %.2f s in %d more)"
      % (sum(o["seconds"] for o in over), len(over), sum(o["seconds"] for o in echo), len(echo)))
for o in over:
    print("  %s %.2f s after [%s], program %s, Orca: %s" % (o["at"], o["seconds"], o["after_step"], o["program"],
                                                           " | ".join(o["orca_said"])[:160]))
PYTHON
echo "session: $( [ $session -eq 0 ] && echo 'no key lost' || tail -n 1 "$work/session.log")"
said=$(orca_said "$since")
for name in Spustit Konec "Nastavení prostředí" Čeština "Nastavení zvuků" "Povolit hlas" "Nastavení hlasu" Hlasy; do
  grep -q "$name" <<<"$said" || echo "Orca never said: $name"
done
echo "flat review:"
tail -n 8 <<<"$said"
grep -c "keyEventError" "$work/stderr.log" | sed 's/^/keys Qt gave up asking Orca about: /'
