#!/usr/bin/env bash
# The real program beside a real BRLTTY, under its own X server and buses.
# BRLTTY's virtual driver talks to a 40-cell display that this test plays
# (fakedisplay): the test reads what the display shows and presses its
# keys. A second BrlAPI client stands in for a screen reader holding the
# desktop's terminal (screenreaderclient), as Orca does. BRLTTY's BrlAPI
# key file lives in a temporary folder, and so does its socket where the
# test may have a mount namespace of its own: that folder then stands in
# BrlAPI's socket directory, and no other BRLTTY or test run sees it.
# Elsewhere the socket takes a number no other server uses.
set -u
program="$1"
appfolder="$2"
fakedisplay="$3"
screenreaderclient="$4"
brlapisockets=/var/lib/BrlAPI

for tool in brltty xmessage; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done
[ "$(id -u)" -eq 0 ] || { echo "SKIP: BRLTTY's socket directory needs root"; exit 77; }
[ -d "$brlapisockets" ] || { echo "SKIP: $brlapisockets is missing"; exit 77; }
if [ -z "${VORKANA_PRIVATE_MOUNTS:-}" ] && unshare --mount --propagation private true 2>/dev/null; then
  VORKANA_PRIVATE_MOUNTS=1 exec unshare --mount --propagation private "$0" "$@"
fi
[ -f "$appfolder/sounds.dat" ] || { echo "FAIL: $appfolder/sounds.dat is missing"; exit 1; }

source "$(dirname "$0")/../support/accessibilitybus.sh"
mkdir -p "$work/api" "$work/brltty"
# No desktop terminal is named: BRLTTY cannot tell which window has the
# focus, as on a desktop without xbrlapi.
unset WINDOWPATH XDG_VTNR

apinumber=
if [ -n "${VORKANA_PRIVATE_MOUNTS:-}" ] && mount --bind "$work/api" "$brlapisockets"; then
  apinumber=0
else
  for number in $(seq 40 99); do
    if [ ! -e "$brlapisockets/$number" ] && [ ! -e "$brlapisockets/.$number" ]; then apinumber=$number; break; fi
  done
  [ -n "$apinumber" ] || { echo "FAIL: no free BrlAPI socket number"; exit 1; }
fi

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# The display: key commands go in through a pipe, what it shows comes out
# in shown.log, one line per change ("Visual" lines hold the text).
mkfifo "$work/keys"
exec 7<>"$work/keys"
"$fakedisplay" "$work/display.sock" <&7 >"$work/shown.log" 2>"$work/fakedisplay.err" &
serverpids+=($!)
for attempt in $(seq 50); do [ -S "$work/display.sock" ] && break; sleep 0.1; done

head -c 32 /dev/urandom | od -An -tx1 | tr -d ' \n' >"$work/api.key"
brltty -n -q -b vr -d "client:$work/display.sock" -x no -s no -t cs \
  -A "auth=keyfile:$work/api.key,host=:$apinumber" -f /dev/null -F "$work/brltty/prefs" \
  -L "$work/brltty/log" -l info --writable-directory="$work/brltty" 2>"$work/brltty/stderr" &
serverpids+=($!)
export BRLAPI_HOST=":$apinumber" BRLAPI_AUTH="$work/api.key"
for attempt in $(seq 50); do
  xdotool getmouselocation >/dev/null 2>&1 && break
  sleep 0.1
done
for attempt in $(seq 100); do [ -S "$brlapisockets/$apinumber" ] && break; sleep 0.1; done
[ -S "$brlapisockets/$apinumber" ] || { echo "FAIL: BRLTTY did not open its BrlAPI socket"; cat "$work/brltty/stderr"; exit 1; }
# BRLTTY answers on its socket before its display driver runs; until then
# it has no display to give (the program would try again only at its next
# window change).
for attempt in $(seq 100); do grep -q '^Visual' "$work/shown.log" && break; sleep 0.1; done

# Waits up to 30 s (a loaded machine is slow) for the display to show a
# text with the words given.
shows() {
  for attempt in $(seq 300); do
    grep -q "^Visual \"$1" "$work/shown.log" && return 0
    sleep 0.1
  done
  return 1
}
lastshown() { grep '^Visual' "$work/shown.log" | tail -n 1; }
# Waits up to 30 s for the display's latest text to begin with the words
# given: a window taking the display back shows its line again.
showsnow() {
  for attempt in $(seq 300); do
    lastshown | grep -q "^Visual \"$1" && return 0
    sleep 0.1
  done
  return 1
}

# The screen reader shows the desktop's terminal before the program runs.
"$screenreaderclient" "obrazovka čtečky" >"$work/reader.out" 2>&1 &
serverpids+=($!)
shows "obrazovka čtečky" || fail "the screen reader's text is not shown: $(lastshown) $(cat "$work/reader.out")"

stageprogram "$program" "$appfolder"
(cd "$work/app" && exec ./vorkana) 2>"$work/program.err" &
programpid=$!
findwindow || { echo "FAIL: no window appeared"; grep -v '^ALSA' "$work/program.err"; exit 1; }
xdotool windowfocus --sync "$window" 2>/dev/null
sleep 0.5

# Without a screen reader a dialog shows its focused control, its state
# and kind, as it changes.
xdotool key ctrl+d
showsnow "<.> Povolit hlas zaškrtávací pole" || fail "the dialog's focused control is not shown: $(lastshown)"
checked=$(lastshown | grep -o '<.>')
xdotool key space
showsnow "<[^${checked:1:1}]> Povolit hlas" || fail "the check box's change is not shown: $(lastshown)"
xdotool key space Escape
# Without a window manager nothing gives the focus back.
sleep 0.5
xdotool windowfocus --sync "$window" 2>/dev/null

# The game greets: good day, morning or evening, after the hour.
xdotool key ctrl+s
shows "dobr" || fail "the greeting is not shown: $(lastshown)"
shows ";keď chceš kódy" || fail "the offer of the codes is not shown: $(lastshown)"

# The virtual screen opens on the first line; Down moves to the title.
xdotool key Down
sleep 1
xdotool key Down
shows ";hrapameť\." || fail "Down in the virtual screen does not show the next line: $(lastshown)"
xdotool key Escape
sleep 1
xdotool windowfocus --sync "$window" 2>/dev/null
# A chord typed while the display passes from one window to the other
# belongs to neither; the main window must hold it again first.
showsnow ";keď chceš kódy" || fail "the main window did not take the display back: $(lastshown)"

# Dot 1 on the display's Braille keys is the letter a: any key but the
# space bar asks for the codes, and the program answers with them.
echo "PASSDOTS 1" >&7
shows ";kódy\." || fail "the chord typed on the display did not reach the program: $(lastshown)"

# Another program takes the focus: the screen reader shows it. BRLTTY
# cannot tell, so the program lets the display go itself.
xmessage -name other "jiný program" &
serverpids+=($!)
other=
for attempt in $(seq 100); do
  other=$(xdotool search --onlyvisible --classname other 2>/dev/null | head -n 1)
  [ -n "$other" ] && break
  sleep 0.1
done
xdotool windowfocus --sync "$other" 2>/dev/null
showsnow "obrazovka čtečky" || fail "another program's focus left the display to the program: $(lastshown)"
xdotool windowfocus --sync "$window" 2>/dev/null
showsnow ";kódy\." || fail "the program did not take the display back with the focus: $(lastshown)"

# Without a screen reader a menu shows its highlighted item. During a run
# only the Program menu's last item can be chosen.
xdotool key alt+p
showsnow "Konec položka nabídky" || fail "the open menu's item is not shown: $(lastshown)"
xdotool key Escape
showsnow "Program nabídka" || fail "the menu bar's item is not shown: $(lastshown)"
xdotool key Escape
showsnow ";" || fail "the line did not come back after the menu: $(lastshown)"

# With a screen reader listening, what it reads better is left to it.
/usr/bin/python3 - >"$work/listener.out" 2>&1 <<'LISTEN' &
import pyatspi
pyatspi.Registry.registerEventListener(lambda event: None, "focus:", "object:state-changed:focused")
pyatspi.Registry.start()
LISTEN
serverpids+=($!)
sleep 2
xdotool key alt+p
showsnow "obrazovka čtečky" || fail "a menu kept the display from the screen reader: $(lastshown)"
# Keys wait for the listener's registry here: each is let through before
# the next.
xdotool key Escape
sleep 3
xdotool key Escape
showsnow ";" || fail "the line did not come back after the menu beside the screen reader: $(lastshown)"

xdotool key alt+F4
waitforend 10

if [ "$failures" -ne 0 ]; then
  echo "--- shown:"; grep '^Visual' "$work/shown.log" | tail -n 20
  echo "--- program:"; tail -n 20 "$work/program.err"
  echo "--- brltty:"; tail -n 20 "$work/brltty/log"
fi
[ "$failures" -eq 0 ] && echo "PASS"
exit $((failures > 0))
