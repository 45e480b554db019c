#!/usr/bin/env bash
# The program beside the Orca screen reader, as most of its users run it: a
# headless desktop with Orca (the screen reader harness's start.sh), the
# program's sound and Orca's voice recorded on two sinks, and a session of
# the menus, each dialog, three rounds of the numbers game and the virtual
# screen. Prints the keys lost, the seconds Orca spoke over the program's
# voice (apart from its clicks and tones, and leaving out Orca's naming of
# the keys pressed, a setting of the user's),
# whether Orca still named the menu items and dialog controls, and what its
# flat review read line by line.
# Usage: bench/screenreader-figures.sh HARNESS [build folder]
#   HARNESS: the folder holding start.sh, stop.sh, overlap.py
set -u
harness="$(cd "$1" && pwd)"
build="$(cd "${2:-build}" && pwd)"
here="$(cd "$(dirname "$0")/.." && pwd)"

. "$here/bench/screenreaderdesktop.sh"
startdesktop "$harness"
: >"$STEPS_LOG"
since=$(date +%H:%M:%S)
recorder=
cleanup() {
  [ -n "$recorder" ] && kill "$recorder" 2>/dev/null
  stopprograms
  wait 2>/dev/null
}
trap cleanup EXIT
startprogram "$build"
sleep 2
"$harness/overlap.py" record >/dev/null 2>&1 &
recorder=$!
sleep 3

/usr/bin/python3 "$here/bench/screenreadersession.py" >"$work/session.log" 2>&1
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
kill "$recorder"
wait "$recorder" 2>/dev/null
recorder=

"$harness/overlap.py" report --json "$work/overlap.json" >"$work/overlap.txt"
echo "the harness's own count (it takes the polling clicks for speech): $(tail -n 1 "$work/overlap.txt")"
/usr/bin/python3 - "$work/overlap.json" "$SR_DIR" <<'PYTHON'
import json, re, sys, wave
import numpy as np
figures = json.load(open(sys.argv[1]))
folder = sys.argv[2]
# The program's own voice, told from its clicks and tones: 40 ms frames with
# a voice's pitch (a strong repetition every 2.5 to 12.5 ms) whose level
# moves as a voice's does, not at the even level of the polling clicks or a
# tone. The level is judged over 80 ms on either side of the frame, so a
# frame where a tone gives way to the clicks still counts as even. The
# game's polling clicks come as a train with a pitch of its own and an
# uneven level, and passed for voice: in 10.6 s of the game's wait under
# Orca's review, 34 frames of clicks, all between RMS 0.015 and 0.032, while
# the voice's voiced frames lie between 0.04 and 0.3. A frame below the
# clicks' level is not counted; the quiet edges of words go with it (from
# Ctrl+S to the review, 14 of 46 voiced frames, clicks after the greeting
# among them), so the figure errs short, by fractions of a second.
clicklevel = 0.035
recording = json.load(open(folder + "/recording.json"))
program = wave.open(recording["files"]["program"])
rate = program.getframerate()
samples = np.frombuffer(program.readframes(program.getnframes()), dtype=np.int16).astype(float) / 32768
frame = int(0.04 * rate)
def voiced(at):
    x = samples[at:at + frame]
    if len(x) < frame or np.sqrt(np.mean(x * x)) < clicklevel:
        return False
    for first, last in ((at - frame, at + frame), (at, at + 2 * frame)):
        if first < 0 or last > len(samples):
            continue
        levels = np.sqrt(np.mean(samples[first:last].reshape(-1, frame // 4) ** 2, axis=1))
        if levels.mean() > 0 and levels.std() / levels.mean() < 0.15:
            return False
    x = x - x.mean()
    c = np.correlate(x, x, "full")[frame - 1:]
    lags = c[int(rate / 400):int(rate / 80)]
    return c[0] > 0 and lags.max() / c[0] > 0.5
keyname = re.compile(r"^(left |right )?(control|alt|shift|space|escape|tab|up|down|left|right|return|enter|"
                     r"page up|page down|home|end|f\d+|[a-z0-9])\s*$", re.I)
# Each overlap's wall time back to the program recording's samples, by the
# calibration chirp's place in it.
chirp = np.argmax(np.abs(samples[:rate * 20]) > 0.2)
def clock(text):
    h, m, s = text.split(":")
    return int(h) * 3600 + int(m) * 60 + float(s)
start = clock(recording["chirp_clock"]) - chirp / rate
over, echo, clicks = [], [], []
for o in figures["overlaps"]:
    first = int((clock(o["at"]) - start) * rate)
    frames = range(first, first + int(o["seconds"] * rate), frame)
    speech = sum(voiced(at) for at in frames) * 0.04
    if o["orca_said"] and all(keyname.match(s) for s in o["orca_said"]):
        echo.append(o)
    elif speech < 0.04:
        clicks.append(o)
    else:
        over.append((o, speech))
print("Orca over the program's voice: %.2f s in %d places" % (sum(s for _, s in over), len(over)))
for o, speech in over:
    print("  %s %.2f s after [%s], Orca: %s" % (o["at"], speech, o["after_step"], " | ".join(o["orca_said"])[:160]))
print("Orca over the program's clicks and tones only: %.2f s in %d places; its naming of pressed keys: %.2f s in %d"
      % (sum(o["seconds"] for o in clicks), len(clicks), sum(o["seconds"] for o in echo), len(echo)))
PYTHON
echo "session: $( [ $session -eq 0 ] && echo 'no key lost' || tail -n 1 "$work/session.log")"
said=$(orca_said "$since")
for name in Spustit Konec "Nastavení prostředí" Čeština "Nastavení zvuků" "Povolit hlas" "Nastavení hlasu" Hlasy; do
  grep -q "$name" <<<"$said" || echo "Orca never said: $name"
done
# The review walked the first three lines of the greeting, one at a time.
first=$(grep -m1 'key KP_' "$STEPS_LOG" | cut -d' ' -f1)
# until the step after the review's last key
until=$(awk '/key KP_/ { found = 1; next } found { print $1; exit }' "$STEPS_LOG")
echo "flat review, what Orca said from the first keypad key on:"
awk -v from="$first" -v to="$until" '$1 >= from && $1 < to' <<<"$said" | sed 's/  */ /g'
grep -c "keyEventError" "$work/stderr.log" | sed 's/^/keys Qt gave up asking Orca about: /'
