#!/usr/bin/env bash
# The real program under its own X server with espeak-ng's data missing:
# one clear line on standard error says the own voice is unavailable, no
# box stops the start, the game starts and keeps answering silently, and the
# exit command still ends the program in order, writing ram.dat.
set -u
program="$1"
appfolder="$2"

for tool in Xvfb xdotool; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done
source "$(dirname "$0")/../support/xserver.sh"
export QT_QPA_PLATFORM=xcb XDG_RUNTIME_DIR="$work" LANG=C.UTF-8
export PULSE_SERVER=unix:/nonexistent

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

mkdir -p "$work/nodata" "$work/folder"
folder="$work/folder"
cp "$program" "$folder/vorkana"
cp "$appfolder/sounds.dat" "$appfolder/czech.ebt" "$appfolder/czech.eky" "$folder/"
(cd "$folder" && ESPEAK_DATA_PATH="$work/nodata" exec ./vorkana) 2>"$work/errors" &
programpid=$!
findwindow
if [ -z "$window" ]; then
  fail "no window appeared: $(cat "$work/errors")"
else
  xdotool windowfocus --sync "$window" 2>/dev/null
  sleep 0.3
  [ "$(xdotool search --onlyvisible --name . 2>/dev/null | wc -l)" -le 1 ] || fail "a box or another window is open"
  # The game, then a few answers.
  xdotool key ctrl+s
  sleep 2
  xdotool key space a 1 space
  sleep 1
  kill -0 "$programpid" 2>/dev/null || fail "the program ended during the game"
  xdotool key alt+p
  sleep 0.5
  xdotool key e
  if ! waitforend 30; then
    fail "the exit command did not end the program"
  else
    wait "$programpid" || fail "the program ended with status $?"
    programpid=
    [ "$(stat -c %s "$folder/ram.dat" 2>/dev/null)" = 65536 ] || fail "no whole ram.dat was written"
  fi
  [ "$(grep -c 'own voice is unavailable' "$work/errors")" -eq 1 ] \
    || fail "not one line about the voice: $(cat "$work/errors")"
fi

[ "$failures" -eq 0 ] && echo "PASS"
exit $((failures > 0))
