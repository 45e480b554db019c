#!/usr/bin/env bash
# The real program under its own X server: every way of ending writes the
# settings file on a first run and a whole ram.dat, and leaves a ram.dat of
# known content byte-identical. Any message box is answered with Enter, and
# a program that does not end in time is killed and the test fails.
set -u
program="$1"
appfolder="$2"
sendclose="$3"

for tool in Xvfb xdotool; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done
[ -f "$appfolder/sounds.dat" ] || { echo "FAIL: $appfolder/sounds.dat is missing"; exit 1; }

source "$(dirname "$0")/../support/xserver.sh"

export QT_QPA_PLATFORM=xcb XDG_RUNTIME_DIR="$work" LANG=C.UTF-8

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# Starts the program in a fresh folder and waits for its window.
start() {
  folder="$work/$1"
  mkdir -p "$folder"
  cp "$program" "$folder/vorkana"
  cp "$appfolder/sounds.dat" "$appfolder/czech.ebt" "$appfolder/czech.eky" "$folder/"
  (cd "$folder" && exec ./vorkana) &
  programpid=$!
  findwindow || { fail "$1: no window appeared"; return 1; }
  xdotool windowfocus --sync "$window" 2>/dev/null
  sleep 0.3
}

# Waits for the program to end, answering any box with Enter.
finish() {
  for attempt in $(seq 120); do
    kill -0 "$programpid" 2>/dev/null || { wait "$programpid"; programpid=; return 0; }
    sleep 0.25
    [ $((attempt % 4)) -eq 0 ] && xdotool key Return 2>/dev/null
  done
  fail "$1: the program did not end"
  kill -9 "$programpid" 2>/dev/null
  wait "$programpid" 2>/dev/null
  programpid=
  return 1
}

# A first run ended through the exit command of the Program menu.
if start first; then
  xdotool key alt+p
  sleep 0.5
  xdotool key e
  finish first
  # espeak-ng lists its voices, so a first run allows the voice, and the
  # voice made ready at start-up is saved as the default one.
  [ "$(head -n 3 "$folder/vorkana.ini" 2>/dev/null)" = "$(printf '[voice]\nvoiceallowed=1\nperson=Czech')" ] \
    || fail "first: settings file holds '$(cat "$folder/vorkana.ini" 2>/dev/null)'"
  [ "$(stat -c %s "$folder/ram.dat" 2>/dev/null)" = 65536 ] || fail "first: ram.dat is not 65536 bytes"
  cmp -s "$folder/ram.dat" <(head -c 65536 /dev/zero) || fail "first: ram.dat is not all zero"
fi

# Known memory through Alt+F4 and through closing the window. The close
# comes as a window manager sends it: xdotool's windowclose destroys the
# window instead of asking it to close.
head -c 65536 /dev/urandom >"$work/known.dat"
for ending in altf4 close; do
  mkdir -p "$work/$ending"
  cp "$work/known.dat" "$work/$ending/ram.dat"
  if start "$ending"; then
    if [ "$ending" = altf4 ]; then xdotool key alt+F4; else "$sendclose" "$window"; fi
    finish "$ending"
    cmp -s "$work/known.dat" "$folder/ram.dat" || fail "$ending: ram.dat changed"
    [ -f "$folder/vorkana.ini" ] || fail "$ending: no settings file"
  fi
done

[ "$failures" -eq 0 ] && echo "PASS"
exit $((failures > 0))
