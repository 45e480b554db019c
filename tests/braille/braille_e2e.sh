#!/usr/bin/env bash
# The real program beside a real BRLTTY, under its own X server. BRLTTY's
# virtual driver talks to a 40-cell display that this test plays
# (fakedisplay): the test reads what the display shows and presses its
# keys. BRLTTY's BrlAPI key file lives in a temporary folder, and so does
# its socket where the test may have a mount namespace of its own: that
# folder then stands in BrlAPI's socket directory, and no other BRLTTY or
# test run sees it. Elsewhere the socket takes a number no other server
# uses.
set -u
program="$1"
appfolder="$2"
fakedisplay="$3"
brlapisockets=/var/lib/BrlAPI

for tool in Xvfb xdotool brltty; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done
[ "$(id -u)" -eq 0 ] || { echo "SKIP: BRLTTY's socket directory needs root"; exit 77; }
[ -d "$brlapisockets" ] || { echo "SKIP: $brlapisockets is missing"; exit 77; }
if [ -z "${VORKANA_PRIVATE_MOUNTS:-}" ] && unshare --mount --propagation private true 2>/dev/null; then
  VORKANA_PRIVATE_MOUNTS=1 exec unshare --mount --propagation private "$0" "$@"
fi
[ -f "$appfolder/sounds.dat" ] || { echo "FAIL: $appfolder/sounds.dat is missing"; exit 1; }

work=$(mktemp -d)
mkdir -p "$work/api" "$work/app" "$work/brltty"
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null; done
  for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null; done
  [ "${apinumber:-}" = 0 ] && umount "$brlapisockets" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

apinumber=
if [ -n "${VORKANA_PRIVATE_MOUNTS:-}" ] && mount --bind "$work/api" "$brlapisockets"; then
  apinumber=0
else
  VORKANA_PRIVATE_MOUNTS=
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
pids+=($!)
for attempt in $(seq 50); do [ -S "$work/display.sock" ] && break; sleep 0.1; done

head -c 32 /dev/urandom | od -An -tx1 | tr -d ' \n' >"$work/api.key"
brltty -n -q -b vr -d "client:$work/display.sock" -x no -s no -t cs \
  -A "auth=keyfile:$work/api.key,host=:$apinumber" -f /dev/null -F "$work/brltty/prefs" \
  -L "$work/brltty/log" -l info --writable-directory="$work/brltty" 2>"$work/brltty/stderr" &
pids+=($!)

# Xvfb picks a free display itself and names it once it is ready.
Xvfb -displayfd 8 -screen 0 1280x1024x24 -nolisten tcp 8>"$work/display.number" 2>/dev/null &
pids+=($!)
for attempt in $(seq 100); do [ -s "$work/display.number" ] && break; sleep 0.1; done
display=":$(head -n 1 "$work/display.number")"
[ "$display" != ":" ] || { echo "FAIL: the X server did not start"; exit 1; }
export DISPLAY="$display" QT_QPA_PLATFORM=xcb XDG_RUNTIME_DIR="$work" LANG=C.UTF-8
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

cp "$program" "$work/app/vorkana"
cp "$appfolder/sounds.dat" "$appfolder/czech.ebt" "$appfolder/czech.eky" "$work/app/"
(cd "$work/app" && exec ./vorkana) 2>"$work/program.err" &
programpid=$!
pids+=($programpid)
window=
for attempt in $(seq 300); do
  window=$(xdotool search --onlyvisible --name "Vorkana" 2>/dev/null | head -n 1)
  [ -n "$window" ] && break
  sleep 0.1
done
[ -n "$window" ] || { echo "FAIL: no window appeared"; grep -v '^ALSA' "$work/program.err"; exit 1; }
xdotool windowfocus --sync "$window" 2>/dev/null
sleep 0.5

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

xdotool key alt+F4
for attempt in $(seq 100); do kill -0 "$programpid" 2>/dev/null || break; sleep 0.1; done

if [ "$failures" -ne 0 ]; then
  echo "--- shown:"; grep '^Visual' "$work/shown.log" | tail -n 20
  echo "--- program:"; tail -n 20 "$work/program.err"
  echo "--- brltty:"; tail -n 20 "$work/brltty/log"
fi
[ "$failures" -eq 0 ] && echo "PASS"
exit $((failures > 0))
